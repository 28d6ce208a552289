#pragma once
// The model-tree rules file: one rule per leaf, its conditions the tests on the path from the
// root and its conclusion the leaf's model, both written in the loaded attributes.
//
// Below a regression node the grower sees residuals, not loaded values. The writer keeps, for
// every attribute j, a row c_j with value-at-this-node = sum_k c_j[k] * x_k + c_j[MaxAtt + 1]
// over the loaded values x_k, and likewise the part of the target the regression nodes above
// have already predicted. A condition on an attribute is written through its row; a conclusion
// is the ancestors' part plus the leaf's own line, so it predicts the target itself.

#include <string>

#include "core/dtree/case_set.h"
#include "core/modeltree/model_tree_node.h"

namespace quarry::treefiles {

// Writes the whole rules file, header first, into `out` (the caller appends the error lines).
// `cases` is the case count of the "Read" line.
void WriteModelRules(std::string& out, const modeltree::ModelTreeNode& root,
                     const dtree::AttributeTable& att, int cases);

}  // namespace quarry::treefiles
