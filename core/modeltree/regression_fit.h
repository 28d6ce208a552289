#pragma once
// Least-squares straight lines of the current target on one variable, over a range of cases of
// the model-tree store or of a copy of it, and the regression step that removes a line's effect.
// Sums are 64-bit over 32-bit cells.

#include <memory>
#include <vector>

#include "core/dtree/case_set.h"
#include "core/modeltree/model_tree_node.h"

namespace quarry::modeltree {

using dtree::AttributeTable;
using dtree::Case;

// A run of cases: the store's Item[first..last] or a copy. `loadedTarget` moves along with the
// cases when they are reordered; a copy has none.
struct CaseRange {
  Case* item = nullptr;
  float* loadedTarget = nullptr;
  int count = 0;

  CaseRange Sub(int offset, int n) const {
    return {item + offset, loadedTarget ? loadedTarget + offset : nullptr, n};
  }
};

struct FittedLine {
  double intercept = 0.0;
  double slope = 0.0;
  double error = 0.0;  // root mean square error
};

// The line from the sums of x, y, xy, x^2 and y^2 over n cases. A variable without spread
// (Sxx' <= 1e-20) gets slope 0.
FittedLine FitLine(double n, double sx, double sy, double sxy, double sxx, double syy);
// The root mean square error of the mean.
double ConstantError(double n, double sy, double syy);

// The attributes a straight line may use: continuous (no values) and not marked unusable.
std::vector<int> UsableContinuous(const AttributeTable& att);
inline bool IsUsableContinuous(const AttributeTable& att, int a) {
  return att.Status[a] != dtree::kIgnored && att.ValueCount[a] == 0;
}

// Fits the target on `variable` into `model` and returns the RMS error.
double SimpleRegression(LinearModel& model, CaseRange cases, int variable, int targetCell);
// Makes `model` the mean of the target and returns the RMS error.
double ConstantModel(LinearModel& model, CaseRange cases, int targetCell);

struct BestLineResult {
  double error = FLT_MAX;
  int variable = -1;
};
// The best straight line over the usable continuous variables; a later equal error wins.
BestLineResult BestLine(CaseRange cases, const AttributeTable& att);

// The best straight line (BestLine) fitted as a model, or the mean when no continuous attribute
// is usable. The range must hold cases.
std::unique_ptr<LinearModel> FitBestModel(CaseRange cases, const AttributeTable& att);

// The regression step of a regression node whose model uses variable v: every other usable
// continuous attribute x_j is fitted on x_v (the line stored as the model's pair j) and replaced
// by its residual; then v is marked unusable and the target replaced by its residual.
void ApplyRegressionStep(LinearModel& model, CaseRange cases, AttributeTable& att);
// The same transformation with the pairs the model already holds (following cases down a
// grown tree). Returns the status `v` had, for RestoreVariable.
uint8_t ApplyStoredRegressionStep(const LinearModel& model, CaseRange cases, AttributeTable& att);

// Moves the cases that go to the first child to the front, in scan order; returns how many.
int Partition(const SplitTest& test, CaseRange cases);

}  // namespace quarry::modeltree
