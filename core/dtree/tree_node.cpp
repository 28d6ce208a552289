#include "core/dtree/tree_node.h"

#include <algorithm>
#include <utility>

namespace quarry::dtree {

void TreeNode::MakeLeaf(const std::vector<float>& classDist, int leafClass, float items,
                        float errors) {
  ClassDist = classDist;
  Leaf = static_cast<int16_t>(leafClass);
  BecomeLeaf(items, errors);
}

void TreeNode::BecomeLeaf(float items, float errors) {
  NodeType = kLeaf;
  SetForks(0);
  Cont.Items = Discr.Items = items;
  Cont.Errors = Discr.Errors = errors;
}

void TreeNode::SetForks(int forks) {
  Forks = static_cast<int16_t>(forks);
  Branch.clear();
  Branch.resize(static_cast<size_t>(forks) + 1);
}

namespace {

void CopyFields(TreeNode& to, const TreeNode& from, bool subtrees) {
  to.NodeType = from.NodeType;
  to.Forks = from.Forks;
  to.Leaf = from.Leaf;
  to.ClassDist = from.ClassDist;
  to.Fp = from.Fp;
  to.Lp = from.Lp;
  to.Cont = from.Cont;
  to.Discr = from.Discr;
  to.alfa = from.alfa;
  to.GainRatio = from.GainRatio;
  to.Branch.clear();
  to.Branch.resize(from.Branch.size());
  if (!subtrees) return;
  for (size_t v = 1; v < from.Branch.size(); ++v) {
    if (from.Branch[v]) to.Branch[v] = CopyTree(*from.Branch[v]);
  }
}

}  // namespace

std::unique_ptr<TreeNode> CopyTree(const TreeNode& node) {
  auto copy = std::make_unique<TreeNode>();
  CopyFields(*copy, node, true);
  return copy;
}

std::unique_ptr<TreeNode> CopyNode(const TreeNode& node) {
  auto copy = std::make_unique<TreeNode>();
  CopyFields(*copy, node, false);
  return copy;
}

void ReplaceWithCopy(TreeNode& node, const TreeNode& source) {
  std::unique_ptr<TreeNode> copy = CopyTree(source);
  node.NodeType = copy->NodeType;
  node.Forks = copy->Forks;
  node.Leaf = copy->Leaf;
  node.ClassDist = std::move(copy->ClassDist);
  node.Fp = copy->Fp;
  node.Lp = copy->Lp;
  node.Cont = copy->Cont;
  node.Discr = std::move(copy->Discr);
  node.alfa = copy->alfa;
  node.GainRatio = copy->GainRatio;
  node.Branch = std::move(copy->Branch);
}

void SwapContents(TreeNode& a, TreeNode& b) {
  std::swap(a.NodeType, b.NodeType);
  std::swap(a.Forks, b.Forks);
  std::swap(a.Branch, b.Branch);
  std::swap(a.Leaf, b.Leaf);
  std::swap(a.ClassDist, b.ClassDist);
  std::swap(a.Fp, b.Fp);
  std::swap(a.Lp, b.Lp);
  std::swap(a.Cont, b.Cont);
  std::swap(a.Discr, b.Discr);
  std::swap(a.alfa, b.alfa);
  std::swap(a.GainRatio, b.GainRatio);
}

int TreeSize(const TreeNode& node) {
  int size = 1;
  for (int v = 1; v <= node.Forks; ++v) size += TreeSize(node.Child(v));
  return size;
}

int LeafCount(const TreeNode& node) {
  if (node.IsLeaf()) return 1;
  int leaves = 0;
  for (int v = 1; v <= node.Forks; ++v) leaves += LeafCount(node.Child(v));
  return leaves;
}

int TreeDepth(const TreeNode& node) {
  if (node.IsLeaf()) return 0;
  int deepest = 0;
  for (int v = 1; v <= node.Forks; ++v) deepest = std::max(deepest, TreeDepth(node.Child(v)));
  return deepest + 1;
}

int CollapsedLeafCount(const TreeNode& node, int minObjs) {
  if (node.IsLeaf()) {
    return (node.Items() <= static_cast<float>(minObjs) ? 1 : 0) + (node.Errors() == 0 ? 1 : 0);
  }
  int count = 0;
  for (int v = 1; v <= node.Forks; ++v) count += CollapsedLeafCount(node.Child(v), minObjs);
  return count;
}

}  // namespace quarry::dtree
