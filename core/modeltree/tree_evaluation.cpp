#include "core/modeltree/tree_evaluation.h"

#include <cmath>

namespace quarry::modeltree {

double LeafSquares(const LinearModel& model, CaseRange cases, int targetCell) {
  double sum = 0.0;
  for (int i = 0; i < cases.count; ++i) {
    const Case c = cases.item[i];
    const double r = c[targetCell].cont - model.Predict(c);
    sum += r * r;
  }
  return sum;
}

double ResidualSquares(const ModelTreeNode& node, CaseRange cases, AttributeTable& att) {
  switch (node.kind) {
    case kLeaf:
      return LeafSquares(*node.model, cases, att.MaxAtt + 1);
    case kRegression: {
      const uint8_t status = ApplyStoredRegressionStep(*node.model, cases, att);
      const double sum = ResidualSquares(*node.left, cases, att);
      att.Status[node.model->variable] = status;
      return sum;
    }
    default: {
      const int k = Partition(*node.test, cases);
      return ResidualSquares(*node.left, cases.Sub(0, k), att) +
             ResidualSquares(*node.right, cases.Sub(k, cases.count - k), att);
    }
  }
}

double TotalSquares(CaseRange cases, int targetCell) {
  double sy = 0.0;
  double syy = 0.0;
  for (int i = 0; i < cases.count; ++i) {
    const double y = cases.item[i][targetCell].cont;
    sy += y;
    syy += y * y;
  }
  return cases.count > 0 ? syy - sy * sy / cases.count : 0.0;
}

double ErrorMeasures::Rmse() const { return n > 0 ? std::sqrt(ssRes / n) : 0.0; }

double ErrorMeasures::Ratio() const { return syy != 0.0 ? ssRes / syy : ssRes; }

}  // namespace quarry::modeltree
