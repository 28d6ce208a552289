#pragma once
// The errors of many prunings of one tree on one case set. Each case is followed once down the
// reference tree; every node then knows how many cases it would misclassify as a leaf, and a
// pruning's errors are the sum over its leaves, plus the cases that a test it keeps cannot
// decide, which are classified in full. The counts equal those of classifying every case with
// the pruned tree.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/dtree/case_set.h"
#include "core/dtree/classification.h"
#include "core/pruning/indexed_tree.h"

namespace quarry::pruning {

class PruningErrorCounter {
 public:
  // `reference` and `cases` must outlive the counter and stay as they are.
  PruningErrorCounter(dtree::InductionEngine& engine, const dtree::TreeNode& reference,
                      const std::vector<dtree::Case>& cases,
                      dtree::LeafVote vote = dtree::LeafVote::kDistribution);

  const IndexedTree& Index() const { return index_; }
  int CaseCount() const { return static_cast<int>(cases_.size()); }
  // Leaves out of every count from now on the cases that a test of the reference sends down
  // every branch, and returns them (by index, in order): the errors of a pruning on the other
  // cases are then the sum of WrongAsLeaf over its leaves.
  std::vector<int32_t> SetAsideSpreadCases();
  // The cases that reach node `id` with their whole weight and that it misclassifies as a leaf.
  int WrongAsLeaf(int id) const { return wrongAsLeaf_[static_cast<size_t>(id)]; }

  // Errors of the reference with the nodes flagged in `cut` (by node id) made leaves.
  int Errors(const std::vector<uint8_t>& cut);
  // Errors of `pruned`: the reference with some subtrees removed by PruneToLeaf. A tree that
  // differs otherwise is counted by classifying every case.
  int Errors(const dtree::TreeNode& pruned);
  // The same, classifying with `engine`'s work arrays and scratch of its own, so that threads
  // with engines of their own may count with one counter at once.
  int Errors(const dtree::TreeNode& pruned, dtree::InductionEngine& engine) const;

 private:
  struct Scratch {
    std::vector<uint32_t> innerMark;  // per node: kept as an inner node in count `mark`
    uint32_t mark = 0;
    std::vector<uint8_t> cut;
  };
  int Count(const std::vector<uint8_t>& cut, const dtree::TreeNode* pruned,
            dtree::InductionEngine& engine, Scratch& scratch) const;
  int CountTree(const dtree::TreeNode& pruned, dtree::InductionEngine& engine,
                Scratch& scratch) const;
  bool FindCuts(const dtree::TreeNode& pruned, int id, std::vector<uint8_t>& cut) const;
  bool Wrong(dtree::InductionEngine& engine, const dtree::TreeNode& tree, dtree::Case c) const;

  dtree::InductionEngine& engine_;
  IndexedTree index_;
  const std::vector<dtree::Case>& cases_;
  dtree::LeafVote vote_;
  std::vector<int32_t> wrongAsLeaf_;  // per node: cases reaching it whole, misclassified there
  struct Spreader {
    int32_t caseIndex;
    int32_t node;  // the node whose test sends the case down every branch
  };
  std::vector<Spreader> spreaders_;
  Scratch scratch_;
};

}  // namespace quarry::pruning
