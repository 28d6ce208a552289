#include "core/modeltree/description_length_pruning.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/modeltree/tree_evaluation.h"

namespace quarry::modeltree {

double IntegerCode(double v) {
  if (v < 2.0) return 1.0;
  double bits = 1.0 + std::log2(2.865064);
  double term = std::log2(v);
  bits += term;
  while (term >= 2.0) {
    term = std::log2(term);
    bits += term;
  }
  return bits;
}

DescriptionLengthCoding MakeCoding(CaseRange cases, const AttributeTable& att) {
  DescriptionLengthCoding coding;
  const int targetCell = att.MaxAtt + 1;
  const double spread =
      cases.count > 0 ? std::sqrt(std::fabs(TotalSquares(cases, targetCell)) / cases.count) : 0.0;
  if (spread > 0.0) coding.precision = spread;
  for (int a = 0; a <= att.MaxAtt; ++a) {
    if (att.ValueCount[a] > 0) {
      ++coding.discreteAttributes;
    } else if (att.Status[a] != dtree::kIgnored) {
      ++coding.continuousAttributes;
    }
  }
  return coding;
}

namespace {

double Log2AtLeastOne(double count) { return std::log2(std::max(count, 1.0)); }

double ModelCost(const DescriptionLengthCoding& coding) {
  return Log2AtLeastOne(coding.continuousAttributes) + 2.0;
}

double LeafCost(const LinearModel& model, CaseRange cases, int targetCell,
                const DescriptionLengthCoding& coding) {
  double bits = ModelCost(coding);
  for (int i = 0; i < cases.count; ++i) {
    const Case c = cases.item[i];
    const double residual = c[targetCell].cont - model.Predict(c);
    bits += IntegerCode(std::fabs(residual) / coding.precision * coding.scale);
  }
  return bits;
}

double SplitCost(const SplitTest& test, CaseRange cases, const AttributeTable& att,
                 const DescriptionLengthCoding& coding) {
  if (test.kindMarker == DiscreteSplit::kMarker) {
    return Log2AtLeastOne(coding.discreteAttributes) + 2.0 + att.ValueCount[test.attribute];
  }
  std::vector<float> values(static_cast<size_t>(cases.count));
  for (int i = 0; i < cases.count; ++i) values[i] = cases.item[i][test.attribute].cont;
  std::sort(values.begin(), values.end());
  const double distinct =
      static_cast<double>(std::unique(values.begin(), values.end()) - values.begin());
  // A threshold sits between two of the distinct values.
  const double cuts = distinct >= 2 ? distinct - 1 : distinct;
  return Log2AtLeastOne(coding.continuousAttributes) + 2.0 + Log2AtLeastOne(cuts);
}

}  // namespace

double DescriptionLengthPruneNode(ModelTreeNode& node, CaseRange cases, AttributeTable& att,
                                  const DescriptionLengthCoding& coding) {
  const int targetCell = att.MaxAtt + 1;
  if (node.kind == kLeaf) return LeafCost(*node.model, cases, targetCell, coding);
  // A node no case reaches cannot be judged; it keeps its subtree.
  std::unique_ptr<LinearModel> leaf;
  double leafCost = 0.0;
  if (cases.count > 0) {
    leaf = FitBestModel(cases, att);
    leafCost = LeafCost(*leaf, cases, targetCell, coding);
  }

  double subtree = 0.0;
  if (node.kind == kRegression) {
    const uint8_t status = ApplyStoredRegressionStep(*node.model, cases, att);
    subtree = ModelCost(coding) + DescriptionLengthPruneNode(*node.left, cases, att, coding);
    att.Status[node.model->variable] = status;
  } else {
    subtree = SplitCost(*node.test, cases, att, coding);
    const int k = Partition(*node.test, cases);
    subtree += DescriptionLengthPruneNode(*node.left, cases.Sub(0, k), att, coding) +
               DescriptionLengthPruneNode(*node.right, cases.Sub(k, cases.count - k), att, coding);
  }
  if (leaf && subtree / leafCost >= 1.0) {
    node.MakeLeaf(std::move(leaf));
    return leafCost;
  }
  return subtree;
}

}  // namespace quarry::modeltree
