#pragma once
// Reduced-error pruning of a model tree: bottom-up, a subtree gives way to a leaf whose model is
// the best straight line fitted on the label cases that reach the node, when that leaf has the
// smaller sum of squared residuals on the pruning cases that reach it (on equal sums the subtree
// stays).

#include "core/modeltree/model_tree_node.h"
#include "core/modeltree/regression_fit.h"

namespace quarry::modeltree {

// Prunes `node` in place; returns the pruned subtree's SSres on `pruneCases`. Both case ranges
// follow the tree (they are permuted and transformed); each has its own attribute table.
double ReducedErrorPruneNode(ModelTreeNode& node, CaseRange pruneCases, AttributeTable& pruneAtt,
                             CaseRange labelCases, AttributeTable& labelAtt);

}  // namespace quarry::modeltree
