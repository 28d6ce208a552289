#pragma once
// Iterative growing and pruning (code 7): the training set comes in two halves, B_train1 (the
// job's training table, on which the engine grew the tree) and B_train2. The tree is pruned
// with reduced error pruning on the other half; then the pruned tree's leaves are grown further
// on the half just used for pruning and the result pruned with the first half, and so on,
// until two pruned trees in a row have as many leaves. The whole training set B_train is loaded
// at the end. Leaves classify a case that reaches them whole by their own class.

#include "core/common/status.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/pruning_context.h"

namespace quarry::pruning {

// Grows every leaf below `node` further on the loaded cases Item[first..last]; a grown leaf
// keeps its class and distribution, and its new nodes side with it on ties.
void RegrowLeaves(dtree::InductionEngine& engine, dtree::TreeNode& node, int first, int last);

// Below `node` first (each child with its parent's class), then at `node`: when its largest
// class weight equals its weight of `parentClass`, the node takes `parentClass`.
void InheritLeafClass(dtree::TreeNode& node, int parentClass);

// Code 7 on `tree`, a copy of the grown tree.
Status IterativeGrowingPruning(const PruningContext& ctx, dtree::TreeNode& tree);

}  // namespace quarry::pruning
