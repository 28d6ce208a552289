#pragma once
// Regression-based grafting of a model tree on pruning cases: bottom-up, a split node gives way
// to one of its (already pruned) children when that child's subtree, applied to all the node's
// cases, has a sum of squared residuals no larger than the split's.

#include <memory>

#include "core/modeltree/model_tree_node.h"
#include "core/modeltree/regression_fit.h"

namespace quarry::modeltree {

// Grafts the subtree in `slot` in place; returns its SSres on `cases`, which follow the tree.
double GraftByRegression(std::unique_ptr<ModelTreeNode>& slot, CaseRange cases,
                         AttributeTable& att);

}  // namespace quarry::modeltree
