#include "core/pruning/subtree_removal.h"

#include "core/dtree/tree_node.h"

namespace quarry::pruning {

void PruneToLeaf(dtree::TreeNode& node) { node.BecomeLeaf(node.Items(), node.Errors()); }

void SkipSubtreeNumbers(const dtree::TreeNode& node, int& counter) {
  if (node.IsLeaf()) {
    --counter;
    return;
  }
  for (int v = 1; v <= node.Forks; ++v) {
    ++counter;
    SkipSubtreeNumbers(node.Child(v), counter);
  }
}

}  // namespace quarry::pruning
