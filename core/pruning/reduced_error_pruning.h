#pragma once
// Reduced error pruning (code 1) and grafting (code 11): every inner node is judged, children
// first, by the errors the whole tree makes on the loaded cases. Pruning makes the node a leaf
// when that does not increase them (ties prune); grafting may also put the subtree of one of
// its inner children in its place. Only the cases that reach the node are reclassified for
// each trial; the counts are those of classifying every case.

#include "core/common/status.h"
#include "core/dtree/classification.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/case_reach.h"
#include "core/pruning/error_tally.h"
#include "core/pruning/pruning_context.h"

namespace quarry::pruning {

class ReducedErrorPass {
 public:
  // Judges `root` (changed in place) on the loaded cases; `vote` is how leaves classify.
  ReducedErrorPass(const PruningContext& ctx, dtree::TreeNode& root, dtree::LeafVote vote);

  // The errors of the tree in its present state.
  int CurrentErrors() const { return tally_.Errors(); }

  // Prunes below and at `node`, numbered `number` with the shared `counter`; true when `node`
  // became a leaf.
  bool Prune(dtree::TreeNode& node, int number, int& counter);
  // The same, also grafting; true when `node` was pruned or grafted.
  bool Graft(dtree::TreeNode& node, int number, int& counter);

 private:
  // Makes `node` a leaf whose errors are the cases of its distribution outside its class.
  static void MakeLeaf(dtree::TreeNode& node);

  const PruningContext& ctx_;
  dtree::TreeNode& root_;
  CaseReach reach_;
  ErrorTally tally_;
};

// Code 1 on `tree` (a copy of the grown tree): prunes with the pruning table, then loads the
// training table again.
Status ReducedErrorPruning(const PruningContext& ctx, dtree::TreeNode& tree);
// Code 11, the same with grafting.
Status ReducedErrorGrafting(const PruningContext& ctx, dtree::TreeNode& tree);

}  // namespace quarry::pruning
