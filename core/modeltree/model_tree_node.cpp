#include "core/modeltree/model_tree_node.h"

namespace quarry::modeltree {

std::unique_ptr<ModelTreeNode> ModelTreeNode::Copy() const {
  auto copy = std::make_unique<ModelTreeNode>();
  copy->id = id;
  copy->parameters = parameters;
  if (model) copy->model = std::make_unique<LinearModel>(*model);
  if (test) copy->test = test->Clone();
  copy->splitScore = splitScore;
  copy->mean = mean;
  copy->deviance = deviance;
  copy->kind = kind;
  copy->first = first;
  copy->last = last;
  if (left) copy->left = left->Copy();
  if (right) copy->right = right->Copy();
  return copy;
}

void ModelTreeNode::MakeLeaf(std::unique_ptr<LinearModel> leafModel) {
  kind = kLeaf;
  model = std::move(leafModel);
  test.reset();
  left.reset();
  right.reset();
}

ModelTreeCounts CountNodes(const ModelTreeNode& root) {
  ModelTreeCounts counts;
  auto visit = [&counts](const ModelTreeNode& node, auto& self) -> void {
    if (node.kind == kLeaf) {
      ++counts.leaves;
    } else if (node.kind == kRegression) {
      ++counts.regressions;
    } else {
      ++counts.splits;
    }
    if (node.left) self(*node.left, self);
    if (node.right) self(*node.right, self);
  };
  visit(root, visit);
  return counts;
}

}  // namespace quarry::modeltree
