#pragma once
// Error measures of a grown model tree over a case range: each case follows the tree down
// (split nodes partition the range, regression nodes replace values and target by the residuals
// their stored lines define) to the leaf whose model predicts it.

#include "core/modeltree/model_tree_node.h"
#include "core/modeltree/regression_fit.h"

namespace quarry::modeltree {

// Sum over the cases of (target - prediction)^2. Permutes the cases and leaves residuals in
// them below regression nodes; the attribute statuses are restored.
double ResidualSquares(const ModelTreeNode& node, CaseRange cases, AttributeTable& att);
// Sum over the cases of (target - model prediction)^2 for one model.
double LeafSquares(const LinearModel& model, CaseRange cases, int targetCell);
// Syy = sum of y^2 - (sum of y)^2 / n of the current target.
double TotalSquares(CaseRange cases, int targetCell);

// The two error lines a tree and its rules file end with: the root mean square error and the
// share of the target's variation left unexplained (SSres itself when the target has none).
struct ErrorMeasures {
  double ssRes = 0.0;
  double syy = 0.0;
  int n = 0;
  double Rmse() const;
  double Ratio() const;
};

}  // namespace quarry::modeltree
