#pragma once
// Which cases a tree's classification takes through each of its inner nodes. A change at a node
// can change the class of those cases only, so a method that changes one node at a time
// reclassifies them alone instead of the whole case set.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/dtree/case_set.h"

namespace quarry::dtree {
class TreeNode;
}

namespace quarry::pruning {

class CaseReach {
 public:
  // The cases that reach a node, with what the weight they arrive with is made of.
  struct Entries {
    std::vector<int32_t> entry;           // see EntriesAt
    std::vector<float> parentWeight;      // the weight the case reaches the parent with
    std::vector<uint8_t> spreadAtParent;  // the parent's test did not know the case's value
    float parentItems = 0;                // the parent's training weight
  };

  // Indexes `root`'s inner nodes for `cases`. A case reaches a node when the classifier visits
  // it, with its whole weight or with a share of it.
  CaseReach(const dtree::TreeNode& root, const std::vector<dtree::Case>& cases);

  // The cases that reach `node`, an inner node of the tree as it was indexed; the node may since
  // have changed, as long as the nodes above it did not. An entry is a case's index when the
  // case arrives with its whole weight (every test above it knew its value), Shared(index) when
  // an unknown value above spread it over several branches.
  const Entries& EntriesAt(const dtree::TreeNode& node) const;
  // The weight the k-th case of `entries` (those of `node`) arrives with, worked out as the
  // classifier does from the node's training weight as it is now (grafting changes it, and with
  // it the share of a case that an unknown value spreads at the parent).
  static float ArrivalWeight(const Entries& entries, const dtree::TreeNode& node, size_t k);

  static constexpr int32_t Shared(int32_t index) { return -index - 1; }
  static constexpr bool IsWhole(int32_t entry) { return entry >= 0; }
  static constexpr int32_t CaseOf(int32_t entry) { return entry >= 0 ? entry : -entry - 1; }

 private:
  void Index(const dtree::TreeNode& node, Entries cases);

  const std::vector<dtree::Case>& cases_;
  std::unordered_map<const dtree::TreeNode*, Entries> reach_;
};

}  // namespace quarry::pruning
