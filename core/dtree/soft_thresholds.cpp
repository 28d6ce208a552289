#include "core/dtree/soft_thresholds.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "core/common/text_util.h"
#include "core/dtree/classification.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/split_evaluation.h"

namespace quarry::dtree {

namespace {

class ThresholdSoftener {
 public:
  explicit ThresholdSoftener(InductionEngine& engine) : e_(engine) {
    const size_t cases = static_cast<size_t>(engine.MaxItem() + 1);
    value_.assign(cases, 0.0f);
    leftErr_.assign(cases, 0);
    rightErr_.assign(cases, 0);
    threshErr_.assign(cases, 0);
  }

  void Scan(TreeNode& node, int fp, int lp);

 private:
  void Soften(TreeNode& node, int first, int lp);

  InductionEngine& e_;
  std::vector<float> value_;
  std::vector<int> leftErr_;
  std::vector<int> rightErr_;
  std::vector<int> threshErr_;
};

void ThresholdSoftener::Scan(TreeNode& node, int fp, int lp) {
  if (node.IsLeaf()) return;
  int kp = e_.PartitionCases(node, 0, fp, lp);  // known cases: kp+1..lp
  if (node.NodeType == kCutTest) {
    e_.Report() << Format("\nTest %s <> %g\n",
                          e_.Att().AttName[static_cast<size_t>(node.Tested())].c_str(),
                          static_cast<double>(node.Cont.Cut));
    // Without a known case there is nothing to measure the bounds by.
    if (kp < lp) Soften(node, kp + 1, lp);
  }
  for (int v = 1; v <= node.Forks; ++v) {
    const int ep = e_.PartitionCases(node, v, kp + 1, lp);
    if (ep > kp) {
      Scan(node.Child(v), kp + 1, ep);
      kp = ep;
    }
  }
}

void ThresholdSoftener::Soften(TreeNode& node, int first, int lp) {
  std::ostream& out = e_.Report();
  const bool trace = e_.Options.VERBOSITY >= 1;
  const int att = node.Tested();
  const float cut = node.Cont.Cut;
  const double cutLimit = cut + 1e-6;
  e_.Split().SortByValue(first, lp, att);

  int errors = 0;
  int base = 0;
  for (int i = first; i <= lp; ++i) {
    const size_t at = static_cast<size_t>(i);
    Case c = e_.Cases.Item[at];
    const int cls = e_.ClassOf(c);
    value_[at] = CVal(c, att);
    leftErr_[at] = ClassifyCase(e_, c, node.Child(1)) != cls ? 1 : 0;
    rightErr_[at] = ClassifyCase(e_, c, node.Child(2)) != cls ? 1 : 0;
    errors += rightErr_[at];
    base += value_[at] <= cutLimit ? leftErr_[at] : rightErr_[at];
  }
  const int items = lp - first + 1;
  const double se = std::sqrt((base + 0.5) * (items - base + 0.5) / (items + 1));
  const double limit = base + se;
  if (trace) {
    out << Format("\t\t\tBase errors %d, items %d, se=%.1f\n", base, items, se);
    out << "\n\tVal <=   Errors\t\t+Errors\n" << Format("\t         %6d\n", errors);
  }
  for (int i = first; i <= lp; ++i) {
    const size_t at = static_cast<size_t>(i);
    errors += leftErr_[at] - rightErr_[at];
    threshErr_[at] = errors;
    if (trace && (i == lp || value_[at] != value_[at + 1])) {
      out << Format("\t%6g   %6d\t\t%7d\n", static_cast<double>(value_[at]), errors, errors - base);
    }
  }

  float lower = std::min(value_[static_cast<size_t>(first)], cut);
  float upper = std::max(value_[static_cast<size_t>(lp)], cut);
  bool lowerSet = false;
  auto lastOfRun = [&](int i) {
    while (i < lp && value_[static_cast<size_t>(i) + 1] == value_[static_cast<size_t>(i)]) ++i;
    return i;
  };
  int i = lastOfRun(first);
  while (i < lp) {
    const int j = lastOfRun(i + 1);
    const double vi = value_[static_cast<size_t>(i)];
    const double vj = value_[static_cast<size_t>(j)];
    const int ei = threshErr_[static_cast<size_t>(i)];
    const int ej = threshErr_[static_cast<size_t>(j)];
    if (!lowerSet && ei > limit && limit >= ej && vj <= cutLimit) {
      lower = static_cast<float>(vj - (limit - ej) * (vj - vi) / (ei - ej));
      lowerSet = true;
    } else if (ei <= limit && limit < ej && vj > cutLimit) {
      upper = static_cast<float>(vi + (limit - ei) * (vj - vi) / (ej - ei));
      if (upper < cut) upper = cut;
    }
    i = j;
  }
  node.Cont.Lower = lower;
  node.Cont.Upper = upper;
  if (trace) out << "\n";
  out << Format("\tLower = %g, Upper = %g\n", static_cast<double>(lower),
                static_cast<double>(upper));
}

}  // namespace

void SoftenThresholds(InductionEngine& engine, TreeNode& tree) {
  engine.ResetWeights();
  ThresholdSoftener(engine).Scan(tree, 0, engine.MaxItem());
}

}  // namespace quarry::dtree
