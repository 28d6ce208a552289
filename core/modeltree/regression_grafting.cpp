#include "core/modeltree/regression_grafting.h"

#include <cstring>
#include <vector>

#include "core/modeltree/tree_evaluation.h"

namespace quarry::modeltree {

namespace {

bool HasRegressionNode(const ModelTreeNode& node) {
  if (node.kind == kRegression) return true;
  return (node.left && HasRegressionNode(*node.left)) ||
         (node.right && HasRegressionNode(*node.right));
}

// The cell values of a range of cases, so that a subtree with regression nodes (which overwrite
// values with residuals) can be applied to the same cases more than once.
class CellSnapshot {
 public:
  CellSnapshot(CaseRange cases, int width) : width_(static_cast<size_t>(width)) {
    items_.assign(cases.item, cases.item + cases.count);
    cells_.resize(items_.size() * width_);
    for (size_t i = 0; i < items_.size(); ++i)
      std::memcpy(&cells_[i * width_], items_[i], width_ * sizeof(dtree::AttValue));
  }
  void Restore() const {
    for (size_t i = 0; i < items_.size(); ++i)
      std::memcpy(items_[i], &cells_[i * width_], width_ * sizeof(dtree::AttValue));
  }

 private:
  size_t width_;
  std::vector<Case> items_;
  std::vector<dtree::AttValue> cells_;
};

}  // namespace

double GraftByRegression(std::unique_ptr<ModelTreeNode>& slot, CaseRange cases,
                         AttributeTable& att) {
  ModelTreeNode& node = *slot;
  if (node.kind == kLeaf) return LeafSquares(*node.model, cases, att.MaxAtt + 1);
  if (node.kind == kRegression) {
    const uint8_t status = ApplyStoredRegressionStep(*node.model, cases, att);
    const double sum = GraftByRegression(node.left, cases, att);
    att.Status[node.model->variable] = status;
    return sum;
  }

  std::unique_ptr<CellSnapshot> snapshot;
  if (HasRegressionNode(node)) snapshot = std::make_unique<CellSnapshot>(cases, att.MaxAtt + 2);
  auto restore = [&snapshot] {
    if (snapshot) snapshot->Restore();
  };
  const int k = Partition(*node.test, cases);
  const double split = GraftByRegression(node.left, cases.Sub(0, k), att) +
                       GraftByRegression(node.right, cases.Sub(k, cases.count - k), att);
  restore();
  const double graftLeft = ResidualSquares(*node.left, cases, att);
  restore();
  const double graftRight = ResidualSquares(*node.right, cases, att);
  restore();
  std::unique_ptr<ModelTreeNode>& graft = graftLeft <= graftRight ? node.left : node.right;
  const double graftSum = graftLeft <= graftRight ? graftLeft : graftRight;
  if (graftSum <= split) {
    std::unique_ptr<ModelTreeNode> taken = std::move(graft);
    slot = std::move(taken);
    return graftSum;
  }
  return split;
}

}  // namespace quarry::modeltree
