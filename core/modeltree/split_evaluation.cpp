#include "core/modeltree/split_evaluation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quarry::modeltree {

namespace {

// Values this close are one value when placing thresholds.
bool ClearlyDifferent(float a, float b) {
  if (a == b) return false;
  const float ratio = a / b;
  return !(0.999999 < ratio && ratio < 1.000001);
}

double Angle(double slope) { return std::atan(slope) + (slope < 0.0 ? std::numbers::pi : 0.0); }

double AngleRatio(double a, double b) { return std::min(a, b) / std::max(a, b); }

}  // namespace

SplitEvaluator::SplitEvaluator(Distributions& stats, const StrataParameters& params)
    : stats_(stats), params_(params) {}

void SplitEvaluator::Sums::Add(const Sums& o, double sign) {
  n += sign * o.n;
  sy += sign * o.sy;
  syy += sign * o.syy;
  for (size_t k = 0; k < sx.size(); ++k) {
    sx[k] += sign * o.sx[k];
    sxy[k] += sign * o.sxy[k];
    sxx[k] += sign * o.sxx[k];
  }
}

SplitEvaluator::Side SplitEvaluator::BestSideOf(double n, double sy, double syy, const double* sx,
                                                const double* sxy, const double* sxx) const {
  Side side;
  side.n = n;
  side.error = FLT_MAX;
  for (size_t k = 0; k < vars_.size(); ++k) {
    const FittedLine line = FitLine(n, sx[k], sy, sxy[k], sxx[k], syy);
    if (line.error <= side.error) {
      side.error = line.error;
      side.slope = line.slope;
      side.variable = vars_[k];
    }
  }
  return side;
}

SplitEvaluator::Side SplitEvaluator::BestSide(const Sums& s) const {
  return BestSideOf(s.n, s.sy, s.syy, s.sx.data(), s.sxy.data(), s.sxx.data());
}

SplitCandidate SplitEvaluator::EvaluateContinuousSplit(CaseRange cases, const AttributeTable& att,
                                                       int attribute, SplitMode mode) {
  SplitCandidate result;
  const int n = cases.count;
  if (n < 2) return result;

  keys_.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) keys_[i] = {cases.item[i][attribute].cont, i};
  std::sort(keys_.begin(), keys_.end(), [](const Key& a, const Key& b) {
    return a.value < b.value || (a.value == b.value && a.index < b.index);
  });
  itemScratch_.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) itemScratch_[i] = cases.item[keys_[i].index];
  std::copy(itemScratch_.begin(), itemScratch_.end(), cases.item);
  if (cases.loadedTarget) {
    loadedScratch_.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) loadedScratch_[i] = cases.loadedTarget[keys_[i].index];
    std::copy(loadedScratch_.begin(), loadedScratch_.end(), cases.loadedTarget);
  }

  vars_ = UsableContinuous(att);
  const size_t p = vars_.size();
  const size_t un = static_cast<size_t>(n);
  const int targetCell = att.MaxAtt + 1;
  columns_.resize((p + 1) * un);
  for (int i = 0; i < n; ++i) {
    const Case c = cases.item[i];
    for (size_t k = 0; k < p; ++k) columns_[k * un + i] = c[vars_[k]].cont;
    columns_[p * un + i] = c[targetCell].cont;
  }
  const float* y = columns_.data() + p * un;
  validCut_.resize(un);
  bool anyCut = false;
  for (int i = 0; i + 1 < n; ++i) {
    validCut_[i] = ClearlyDifferent(keys_[i].value, keys_[i + 1].value);
    anyCut = anyCut || validCut_[i];
  }
  if (!anyCut) return result;

  // Running sums make every cut cost O(p): the right sides first, from the last case down,
  // then the left sides in case order, where the best cut is chosen.
  std::vector<double> sx(p), sxy(p), sxx(p);
  double m = 0, sy = 0, syy = 0;
  auto add = [&](int i) {
    const double yi = y[i];
    m += 1.0;
    sy += yi;
    syy += yi * yi;
    for (size_t k = 0; k < p; ++k) {
      const double x = columns_[k * un + i];
      sx[k] += x;
      sxy[k] += x * yi;
      sxx[k] += x * x;
    }
  };
  rightError_.resize(un);
  rightSlope_.resize(un);
  rightVariable_.resize(un);
  for (int i = n - 1; i >= 1; --i) {
    add(i);
    if (!validCut_[i - 1]) continue;
    const Side side = BestSideOf(m, sy, syy, sx.data(), sxy.data(), sxx.data());
    rightError_[i - 1] = side.error;
    rightSlope_[i - 1] = side.slope;
    rightVariable_[i - 1] = side.variable;
  }

  std::fill(sx.begin(), sx.end(), 0.0);
  std::fill(sxy.begin(), sxy.end(), 0.0);
  std::fill(sxx.begin(), sxx.end(), 0.0);
  m = sy = syy = 0;
  float best = FLT_MAX;
  int bestCut = -1;
  Side bestLeft;
  for (int i = 0; i + 1 < n; ++i) {
    add(i);
    if (!validCut_[i]) continue;
    const Side left = BestSideOf(m, sy, syy, sx.data(), sxy.data(), sxx.data());
    const double nL = i + 1;
    const double nR = n - nL;
    const float score = static_cast<float>((nL * left.error + nR * rightError_[i]) / n);
    if (score < best) {
      best = score;
      bestCut = i;
      bestLeft = left;
    }
  }
  if (bestCut < 0) return result;

  const float threshold = (keys_[bestCut].value + keys_[bestCut + 1].value) * 0.5f;
  result.test = std::make_unique<ContinuousSplit>(static_cast<int16_t>(attribute), threshold);
  result.score = best;
  const Side right{static_cast<double>(n - bestCut - 1), rightError_[bestCut], rightSlope_[bestCut],
                   rightVariable_[bestCut]};
  // The acceptance level of a continuous split is fixed; the look-ahead uses the confidence.
  const double level = mode == SplitMode::kAccept ? 0.075 : params_.Confidence;
  StraightLineAcceptance(cases, att, bestLeft, right, level, mode, result);
  result.test->score = result.score;
  return result;
}

void SplitEvaluator::StraightLineAcceptance(CaseRange cases, const AttributeTable& att,
                                            const Side& left, const Side& right, double level,
                                            SplitMode mode, SplitCandidate& candidate) {
  // Children whose best lines use different variables are different models: nothing to test.
  if (left.variable != right.variable || left.variable < 0) return;
  LinearModel whole(att.MaxAtt);
  const double eW = SimpleRegression(whole, cases, left.variable, att.MaxAtt + 1);
  const double n = cases.count;
  const double ssW = n * eW * eW;
  const double ssL = left.n * left.error * left.error;
  const double ssR = right.n * right.error * right.error;
  const double thetaL = Angle(left.slope);
  const double thetaR = Angle(right.slope);
  const double thetaW = Angle(whole.slope);
  const double r1 = AngleRatio(thetaL, thetaR);
  const double r2 = AngleRatio(thetaW, thetaR);
  const int df1 = static_cast<int>((n - 2) - (left.n - 2) - (right.n - 2));
  const int df2 = static_cast<int>((left.n - 2) + (right.n - 2));
  double statistic = 0.0;
  // Both sides and the whole fit almost perfectly with almost the same direction: one line.
  if (!(ssR <= 0.01 && ssL <= 0.01 && ssW <= 0.1 && r1 >= 0.9 && r2 >= 0.9)) {
    statistic = ((ssW - ssL - ssR) / df1) / ((ssL + ssR) / df2);
  }
  const double critical = stats_.CalcFI(level, df1, df2);
  if (mode == SplitMode::kAccept) {
    if (critical > statistic) candidate.score = FLT_MAX;
  } else if (statistic < critical) {
    candidate.reportedVariable = left.variable;
  }
}

SplitCandidate SplitEvaluator::GreedySubset(CaseRange cases, const AttributeTable& att,
                                            int attribute, bool constantChildren, Side& left,
                                            Side& right) {
  SplitCandidate result;
  const int values = att.ValueCount[attribute];
  vars_ = constantChildren ? std::vector<int>() : UsableContinuous(att);
  const size_t p = vars_.size();
  const int targetCell = att.MaxAtt + 1;

  // Value 0 (unknown) never joins the subset; its cases stay on the right.
  std::vector<Sums> group(static_cast<size_t>(values) + 1);
  for (Sums& g : group) g.Resize(p);
  for (int i = 0; i < cases.count; ++i) {
    const Case c = cases.item[i];
    const int u = std::clamp(c[attribute].discr, 0, values);
    Sums& g = group[u];
    const double yi = c[targetCell].cont;
    g.n += 1.0;
    g.sy += yi;
    g.syy += yi * yi;
    for (size_t k = 0; k < p; ++k) {
      const double x = c[vars_[k]].cont;
      g.sx[k] += x;
      g.sxy[k] += x * yi;
      g.sxx[k] += x * x;
    }
  }
  std::vector<int> order(static_cast<size_t>(values));
  for (int u = 1; u <= values; ++u) order[u - 1] = u;
  auto mean = [&group](int u) { return group[u].n > 0 ? group[u].sy / group[u].n : 0.0; };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return mean(a) < mean(b); });

  Sums l, r, trialL, trialR;
  l.Resize(p);
  r.Resize(p);
  for (const Sums& g : group) r.Add(g, 1.0);
  // A side without cases has no line (every error is 0/0), so it adds nothing to the score: the
  // trial scores the other side's best line over all the cases, and the grower makes a leaf of
  // a node whose chosen split sends every case one way. The constant error of no cases is no
  // number either, and a score that is none never wins.
  auto sideOf = [&](const Sums& s) {
    if (s.n == 0) return Side{};
    if (!constantChildren) return BestSide(s);
    return Side{s.n, ConstantError(s.n, s.sy, s.syy), 0.0, -1};
  };

  const double n = cases.count;
  std::vector<char> inSubset(static_cast<size_t>(values) + 1, 0);
  std::vector<int16_t> subset;
  std::vector<int16_t> bestSubset;
  float best = FLT_MAX;
  for (int step = 0; step < values; ++step) {
    float stepBest = FLT_MAX;
    int joining = -1;
    for (int u : order) {
      if (inSubset[u]) continue;
      if (joining < 0) joining = u;  // joins when no trial of this step scores
      const Sums& g = group[u];
      if (constantChildren && (l.n + g.n == 0 || r.n - g.n == 0)) continue;
      trialL = l;
      trialL.Add(g, 1.0);
      trialR = r;
      trialR.Add(g, -1.0);
      const Side sideL = sideOf(trialL);
      const Side sideR = sideOf(trialR);
      const float score = static_cast<float>((sideL.n * sideL.error + sideR.n * sideR.error) / n);
      // Ties go to the value met first in mean order, within a step and over all steps.
      if (score < stepBest) {
        stepBest = score;
        joining = u;
      }
      if (score < best) {
        best = score;
        bestSubset = subset;
        bestSubset.push_back(static_cast<int16_t>(u));
        left = sideL;
        right = sideR;
      }
    }
    inSubset[joining] = 1;
    subset.push_back(static_cast<int16_t>(joining));
    l.Add(group[joining], 1.0);
    r.Add(group[joining], -1.0);
  }
  if (best == FLT_MAX) return result;

  std::vector<int16_t> occurring;
  for (int16_t u : bestSubset) {
    if (group[u].n > 0) occurring.push_back(u);
  }
  result.test =
      std::make_unique<DiscreteSplit>(static_cast<int16_t>(attribute), std::move(occurring));
  result.score = best;
  return result;
}

SplitCandidate SplitEvaluator::EvaluateDiscreteSplit(CaseRange cases, const AttributeTable& att,
                                                     int attribute, SplitMode mode) {
  Side left, right;
  SplitCandidate result = GreedySubset(cases, att, attribute, false, left, right);
  if (!result.Found()) return result;
  StraightLineAcceptance(cases, att, left, right, params_.Confidence, mode, result);
  result.test->score = result.score;
  return result;
}

SplitCandidate SplitEvaluator::EvaluateDiscreteSplitConstant(CaseRange cases,
                                                             const AttributeTable& att,
                                                             int attribute) {
  Side left, right;
  SplitCandidate result = GreedySubset(cases, att, attribute, true, left, right);
  if (!result.Found()) return result;
  LinearModel whole(att.MaxAtt);
  const double eW = ConstantModel(whole, cases, att.MaxAtt + 1);
  const double n = cases.count;
  const double ssW = n * eW * eW;
  const double ssL = left.n * left.error * left.error;
  const double ssR = right.n * right.error * right.error;
  const int df1 = static_cast<int>((n - 2) - (left.n - 2) - (right.n - 2));
  const int df2 = static_cast<int>((left.n - 2) + (right.n - 2));
  const double statistic = ((ssW - ssL - ssR) / df1) / ((ssL + ssR) / df2);
  if (stats_.CalcFI(params_.Confidence, df1, df2) > statistic) result.score = FLT_MAX;
  result.test->score = result.score;
  return result;
}

}  // namespace quarry::modeltree
