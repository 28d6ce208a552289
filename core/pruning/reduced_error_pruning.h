#pragma once
// Reduced error pruning (code 1) and grafting (code 11): every inner node is judged, children
// first, by the errors the whole tree makes on the loaded cases. Pruning makes the node a leaf
// when that does not increase them (ties prune); grafting may also put the subtree of one of
// its inner children in its place. Only the cases that reach the node are reclassified for
// each trial; the counts are those of classifying every case.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/classification.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/case_reach.h"
#include "core/pruning/error_tally.h"
#include "core/pruning/pruning_context.h"
#include "core/pruning/pruning_error_counter.h"

namespace quarry::pruning {

class ReducedErrorPass {
 public:
  // Judges `root` (changed in place) on the loaded cases; `vote` is how leaves classify. A case
  // that reaches a leaf with its whole weight is misclassified by the tree exactly when that
  // leaf misclassifies it: such cases are counted per node, their paths followed once, and a
  // trial reclassifies only those whose leaf it changes; the cases that an unknown value spreads
  // are tallied.
  ReducedErrorPass(const PruningContext& ctx, dtree::TreeNode& root, dtree::LeafVote vote);

  // Prunes the tree, children first.
  void Prune();
  // The same, also grafting.
  void Graft();

 private:
  // Prune or Graft below and at `node` (node `id` of counts_), numbered `number` with the shared
  // `counter` (nodes are numbered in pre-order from 1); returns the counted errors of the
  // node's subtree as it is left. Graft's whole cases that reach the node are
  // whole_[first, end).
  int Prune(dtree::TreeNode& node, int id, int number, int& counter);
  int Graft(dtree::TreeNode& node, int id, int32_t first, int32_t end, int number, int& counter);
  // Makes `node` a leaf whose errors are the cases of its distribution outside its class.
  static void MakeLeaf(dtree::TreeNode& node);

  const PruningContext& ctx_;
  dtree::TreeNode& root_;
  const std::vector<dtree::Case>& cases_;
  dtree::LeafVote vote_;
  PruningErrorCounter counts_;  // the cases that reach a leaf whole
  int countedErrors_ = 0;       // and their errors in the tree as it is
  std::vector<int32_t> whole_;  // their indices, grouped by the nodes they reach
  std::vector<int16_t> route_;  // scratch for grouping them
  std::vector<int32_t> sorted_;
  std::vector<dtree::Case> spreadCases_;  // the others, tallied
  std::optional<CaseReach> reach_;
  std::optional<ErrorTally> tally_;
};

// Code 1 on `tree` (a copy of the grown tree): prunes with the pruning table, then loads the
// training table again.
Status ReducedErrorPruning(const PruningContext& ctx, dtree::TreeNode& tree);
// Code 11, the same with grafting.
Status ReducedErrorGrafting(const PruningContext& ctx, dtree::TreeNode& tree);

}  // namespace quarry::pruning
