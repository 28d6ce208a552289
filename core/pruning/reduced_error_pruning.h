#pragma once
// Reduced error pruning (code 1) and grafting (code 11): every inner node is judged, children
// first, by the errors the whole tree makes on the loaded cases. Pruning makes the node a leaf
// when that does not increase them (ties prune); grafting may also put the subtree of one of
// its inner children in its place. Only the cases that reach the node are reclassified for
// each trial; the counts are those of classifying every case.

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
  // Judges `root` (changed in place) on the loaded cases; `vote` is how leaves classify.
  // Without `grafts` only Prune may be called, and it follows the path of each case that reaches
  // a leaf with its whole weight once: such a case is misclassified by the tree exactly when the
  // leaf it reaches misclassifies it, so a trial is judged from counts per node, and only the
  // cases that an unknown value spreads are tallied. With `grafts` every case is tallied.
  ReducedErrorPass(const PruningContext& ctx, dtree::TreeNode& root, dtree::LeafVote vote,
                   bool grafts);

  // Prunes the tree, children first.
  void Prune();
  // The same, also grafting (only with `grafts`).
  void Graft();

 private:
  // Prunes below and at `node` (node `id` of counts_), numbered `number` with the shared
  // `counter` (nodes are numbered in pre-order from 1); returns the counted errors of the
  // node's subtree as it is left.
  int Prune(dtree::TreeNode& node, int id, int number, int& counter);
  // Grafts below and at `node`; true when `node` was pruned or grafted.
  bool Graft(dtree::TreeNode& node, int number, int& counter);
  // Makes `node` a leaf whose errors are the cases of its distribution outside its class.
  static void MakeLeaf(dtree::TreeNode& node);

  const PruningContext& ctx_;
  dtree::TreeNode& root_;
  std::vector<dtree::Case> spreadCases_;       // the cases an unknown value spreads, without grafts
  std::optional<PruningErrorCounter> counts_;  // the cases that reach a leaf whole
  int countedErrors_ = 0;                      // and their errors in the tree as it is
  std::optional<CaseReach> reach_;             // the cases tallied
  std::optional<ErrorTally> tally_;
};

// Code 1 on `tree` (a copy of the grown tree): prunes with the pruning table, then loads the
// training table again.
Status ReducedErrorPruning(const PruningContext& ctx, dtree::TreeNode& tree);
// Code 11, the same with grafting.
Status ReducedErrorGrafting(const PruningContext& ctx, dtree::TreeNode& tree);

}  // namespace quarry::pruning
