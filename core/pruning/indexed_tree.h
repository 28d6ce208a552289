#pragma once
// A tree's nodes numbered in pre-order (the root is 0), so that prunings of the tree can be
// described by one flag per node, and their nodes found again in copies of the tree.

#include <cstdint>
#include <memory>
#include <vector>

namespace quarry::dtree {
class TreeNode;
}

namespace quarry::pruning {

class IndexedTree {
 public:
  explicit IndexedTree(const dtree::TreeNode& root);

  int Size() const { return static_cast<int>(nodes_.size()); }
  const dtree::TreeNode& Node(int id) const { return *nodes_[static_cast<size_t>(id)]; }
  // The id of branch v (1..Forks) of node `id`.
  int Child(int id, int v) const {
    return children_[static_cast<size_t>(firstChild_[static_cast<size_t>(id)] + v - 1)];
  }

 private:
  void Add(const dtree::TreeNode& node);

  std::vector<const dtree::TreeNode*> nodes_;
  std::vector<int32_t> firstChild_;
  std::vector<int32_t> children_;
};

// A copy of the tree with every node whose flag in `cut` is set made a leaf (PruneToLeaf).
std::unique_ptr<dtree::TreeNode> CopyWithCuts(const IndexedTree& tree,
                                              const std::vector<uint8_t>& cut);

}  // namespace quarry::pruning
