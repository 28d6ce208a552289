#include "core/modeltree/regression_fit.h"

#include <cmath>
#include <utility>

namespace quarry::modeltree {

FittedLine FitLine(double n, double sx, double sy, double sxy, double sxx, double syy) {
  FittedLine line;
  const double sxyDev = sxy - sx * sy / n;
  const double sxxDev = sxx - sx * sx / n;
  line.slope = sxxDev > 1e-20 ? sxyDev / sxxDev : 0.0;
  const double a = sy / n - line.slope * sx / n;
  const double b = line.slope;
  line.intercept = a;
  const double ssRes =
      n * a * a + syy + b * b * sxx - 2.0 * a * sy - 2.0 * b * sxy + 2.0 * a * b * sx;
  line.error = ssRes == 0.0 ? 0.0 : std::sqrt(std::fabs(ssRes) / n);
  return line;
}

double ConstantError(double n, double sy, double syy) {
  // Rounding can leave the sum of squares a hair below zero; it is zero then.
  return std::sqrt(std::fabs(syy - sy * sy / n) / n);
}

std::vector<int> UsableContinuous(const AttributeTable& att) {
  std::vector<int> vars;
  for (int a = 0; a <= att.MaxAtt; ++a) {
    if (IsUsableContinuous(att, a)) vars.push_back(a);
  }
  return vars;
}

namespace {

FittedLine FitOn(CaseRange cases, int variable, int targetCell) {
  double sx = 0, sy = 0, sxy = 0, sxx = 0, syy = 0;
  for (int i = 0; i < cases.count; ++i) {
    const double x = cases.item[i][variable].cont;
    const double y = cases.item[i][targetCell].cont;
    sx += x;
    sy += y;
    sxy += x * y;
    sxx += x * x;
    syy += y * y;
  }
  return FitLine(cases.count, sx, sy, sxy, sxx, syy);
}

}  // namespace

double SimpleRegression(LinearModel& model, CaseRange cases, int variable, int targetCell) {
  const FittedLine line = FitOn(cases, variable, targetCell);
  model.intercept = line.intercept;
  model.slope = line.slope;
  model.variable = static_cast<int16_t>(variable);
  model.count = cases.count;
  return line.error;
}

double ConstantModel(LinearModel& model, CaseRange cases, int targetCell) {
  double sy = 0, syy = 0;
  for (int i = 0; i < cases.count; ++i) {
    const double y = cases.item[i][targetCell].cont;
    sy += y;
    syy += y * y;
  }
  model.intercept = sy / cases.count;
  model.slope = 0.0;
  model.variable = -1;
  model.count = cases.count;
  return ConstantError(cases.count, sy, syy);
}

BestLineResult BestLine(CaseRange cases, const AttributeTable& att) {
  BestLineResult best;
  const int targetCell = att.MaxAtt + 1;
  for (int a = 0; a <= att.MaxAtt; ++a) {
    if (!IsUsableContinuous(att, a)) continue;
    const double error = FitOn(cases, a, targetCell).error;
    if (error <= best.error) best = {error, a};
  }
  return best;
}

std::unique_ptr<LinearModel> FitBestModel(CaseRange cases, const AttributeTable& att) {
  auto model = std::make_unique<LinearModel>(att.MaxAtt);
  const BestLineResult best = BestLine(cases, att);
  if (best.variable >= 0) {
    SimpleRegression(*model, cases, best.variable, att.MaxAtt + 1);
  } else {
    ConstantModel(*model, cases, att.MaxAtt + 1);
  }
  return model;
}

namespace {

inline float Residual(float value, double x, const CoefficientPair& line) {
  return static_cast<float>(value - (line.slope * x + line.intercept));
}

void RemoveLines(const LinearModel& model, CaseRange cases, const AttributeTable& att) {
  const int v = model.variable;
  const int targetCell = att.MaxAtt + 1;
  const CoefficientPair own{model.intercept, model.slope};
  for (int i = 0; i < cases.count; ++i) {
    Case c = cases.item[i];
    const double x = c[v].cont;
    for (int j = 0; j <= att.MaxAtt; ++j) {
      if (j != v && IsUsableContinuous(att, j))
        c[j].cont = Residual(c[j].cont, x, model.coefficients[j]);
    }
    c[targetCell].cont = Residual(c[targetCell].cont, x, own);
  }
}

}  // namespace

void ApplyRegressionStep(LinearModel& model, CaseRange cases, AttributeTable& att) {
  const int v = model.variable;
  for (int j = 0; j <= att.MaxAtt + 1; ++j) model.coefficients[j] = CoefficientPair{};
  for (int j = 0; j <= att.MaxAtt; ++j) {
    if (j == v || !IsUsableContinuous(att, j)) continue;
    const FittedLine line = FitOn(cases, v, j);
    model.coefficients[j] = {line.intercept, line.slope};
  }
  RemoveLines(model, cases, att);
  att.Status[v] = dtree::kIgnored;
}

uint8_t ApplyStoredRegressionStep(const LinearModel& model, CaseRange cases, AttributeTable& att) {
  RemoveLines(model, cases, att);
  return std::exchange(att.Status[model.variable], dtree::kIgnored);
}

int Partition(const SplitTest& test, CaseRange cases) {
  int k = 0;
  for (int i = 0; i < cases.count; ++i) {
    if (!test.GoesLeft(cases.item[i])) continue;
    std::swap(cases.item[k], cases.item[i]);
    if (cases.loadedTarget) std::swap(cases.loadedTarget[k], cases.loadedTarget[i]);
    ++k;
  }
  return k;
}

}  // namespace quarry::modeltree
