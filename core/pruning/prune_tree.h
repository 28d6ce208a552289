#pragma once
// The pruning step of a decision-tree job: one method, chosen by its code, turns the grown tree
// into the pruned tree the job writes and evaluates. PruneTree works on a copy and leaves the
// grown tree as it is; PruneInPlace prunes the grown tree itself, for the methods that need
// nothing of it but the tree they prune. A method that needs other cases loads them through the
// engine and, before it returns, loads the cases the engine evaluates on: the training table, or
// for the iterative method the whole training set B_train.

#include <string>

#include "core/common/status.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/pruning_method.h"

namespace quarry {
class DataSource;
}

namespace quarry::dtree {
class InductionEngine;
}

namespace quarry::pruning {

struct PruningShare;

// Makes `result` the tree that `method` makes of `grown`. `trainingTable` names the training
// table (the method derives its other tables from it), `mValues` is the minimum error method's
// list of m values. Fails with kInvalidArgument for a code that names no method or bad
// m-values, kFatal for an empty m-value list or a family of pruned trees too large (the message
// is in the report too), kNotFound/kDatabase/kInvalidArgument for a table the method cannot
// read or that has no rows, kCancelled when the job was stopped. With `share`, methods that
// prune the same grown tree in turn share their fold trees, and each leaves its estimate there.
Status PruneTree(dtree::InductionEngine& engine, dtree::TreeNode& result, int method,
                 const dtree::TreeNode& grown, const std::string& trainingTable, DataSource& source,
                 const std::string& mValues, PruningShare* share = nullptr);

// The methods that read no other version of the grown tree than the one they prune, and leave
// the engine holding the training table's cases when they are done.
bool PrunesInPlace(int method);

// Prunes `tree` itself with one of the methods PrunesInPlace accepts; failures as PruneTree's.
// On failure the tree is left part pruned.
Status PruneInPlace(dtree::InductionEngine& engine, dtree::TreeNode& tree, int method,
                    const std::string& trainingTable, DataSource& source);

}  // namespace quarry::pruning
