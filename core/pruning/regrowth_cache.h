#pragma once
// Subtrees the iterative method grew from leaves on one half of the training set, kept for its
// later steps. Growing depends only on the cases in the range (which ones, in what order, with
// what weights), on where the range starts and on the job's options, and the steps that grow on
// a half may give a leaf exactly the cases that a leaf of an earlier step grew from; such a
// leaf gets a copy of that subtree, and its cases are left in the order and with the weights
// that growing left them in. The cases must stay loaded (their cells in place) for the cache's
// whole life.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/dtree/case_set.h"
#include "core/dtree/tree_node.h"

namespace quarry::dtree {
class InductionEngine;
}

namespace quarry::pruning {

class RegrowthCache {
 public:
  // Grows the fresh subtree of `node` from Item[first..last] as dtree::GrowTree does, or copies
  // what growing from the same range gave before (never while the engine traces its growing).
  void Grow(dtree::InductionEngine& engine, dtree::TreeNode& node, int first, int last);
  // Ends one step on the half: subtrees that the last kKeptSteps steps did not use are let go.
  void EndStep();

  long Hits() const { return hits_; }

 private:
  struct Grown {
    int first = 0;
    bool allKnown = true;
    std::vector<dtree::Case> itemBefore;
    std::vector<float> weightBefore;
    std::vector<dtree::Case> itemAfter;
    std::vector<float> weightAfter;
    std::unique_ptr<dtree::TreeNode> tree;
    size_t bytes = 0;
    int lastUsed = 0;
  };
  static constexpr int kKeptSteps = 2;
  static constexpr size_t kMaxBytes = size_t{256} << 20;
  // Ranges smaller than this grow faster than they are looked up.
  static constexpr int kSmallestRange = 16;

  Grown* Find(const dtree::InductionEngine& engine, uint64_t key, int first, int last);

  std::unordered_multimap<uint64_t, Grown> grown_;
  size_t bytes_ = 0;
  int step_ = 0;
  long hits_ = 0;
};

}  // namespace quarry::pruning
