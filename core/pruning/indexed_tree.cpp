#include "core/pruning/indexed_tree.h"

#include "core/dtree/tree_node.h"
#include "core/pruning/subtree_removal.h"

namespace quarry::pruning {

using dtree::TreeNode;

IndexedTree::IndexedTree(const TreeNode& root) { Add(root); }

void IndexedTree::Add(const TreeNode& node) {
  nodes_.push_back(&node);
  firstChild_.push_back(static_cast<int32_t>(children_.size()));
  if (node.IsLeaf()) return;
  const size_t first = children_.size();
  children_.resize(first + static_cast<size_t>(node.Forks));
  for (int v = 1; v <= node.Forks; ++v) {
    children_[first + static_cast<size_t>(v - 1)] = static_cast<int32_t>(nodes_.size());
    Add(node.Child(v));
  }
}

namespace {

std::unique_ptr<TreeNode> CopyFrom(const IndexedTree& tree, const std::vector<uint8_t>& cut,
                                   int id) {
  std::unique_ptr<TreeNode> copy = dtree::CopyNode(tree.Node(id));
  if (copy->IsLeaf()) return copy;
  if (cut[static_cast<size_t>(id)]) {
    PruneToLeaf(*copy);
    return copy;
  }
  for (int v = 1; v <= copy->Forks; ++v) {
    copy->Branch[static_cast<size_t>(v)] = CopyFrom(tree, cut, tree.Child(id, v));
  }
  return copy;
}

}  // namespace

std::unique_ptr<TreeNode> CopyWithCuts(const IndexedTree& tree, const std::vector<uint8_t>& cut) {
  return CopyFrom(tree, cut, 0);
}

}  // namespace quarry::pruning
