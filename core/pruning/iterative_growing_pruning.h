#pragma once
// Iterative growing and pruning (code 7): the training set comes in two halves, B_train1 (the
// job's training table, on which the engine grew the tree) and B_train2. The tree is pruned
// with reduced error pruning on the other half; then the pruned tree's leaves are grown further
// on the half just used for pruning and the result pruned with the first half, and so on,
// until two pruned trees in a row have as many leaves (or a pruned tree comes back on the same
// half, or kIterativeMostSteps steps have run). The whole training set B_train is loaded
// at the end. Leaves classify a case that reaches them whole by their own class.
//
// Each half is read from the database once and kept for every step, and subtrees grown from
// leaves are kept for the later steps on the same half (training_halves.h, regrowth_cache.h):
// the steps, the trees and the report are those of reading and growing afresh each time.

#include "core/common/status.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/pruning_context.h"
#include "core/pruning/regrowth_cache.h"

namespace quarry::pruning {

// Grows every leaf below `node` further on the loaded cases Item[first..last]; a grown leaf
// keeps its class and distribution, and its new nodes side with it on ties. With `cache`, a
// leaf whose cases were grown from before gets a copy of that growing. A leaf whose cases know
// every value and weigh 1 each grows with the quicker sorts of a new tree (dtree::GrowNewTree).
void RegrowLeaves(dtree::InductionEngine& engine, dtree::TreeNode& node, int first, int last,
                  RegrowthCache* cache = nullptr);

// Below `node` first (each child with its parent's class), then at `node`: when its largest
// class weight equals its weight of `parentClass`, the node takes `parentClass`.
void InheritLeafClass(dtree::TreeNode& node, int parentClass);

// The steps end at the latest with this one, keeping its pruned tree (the report says so); runs
// that end by themselves were seen to take up to 105 steps.
constexpr int kIterativeMostSteps = 200;

// Code 7 on `tree`, a copy of the grown tree. `reuse` off reads each half again and grows
// every leaf afresh at each step, which must change nothing but the time taken.
Status IterativeGrowingPruning(const PruningContext& ctx, dtree::TreeNode& tree, bool reuse = true,
                               int mostSteps = kIterativeMostSteps);

}  // namespace quarry::pruning
