#pragma once
// Removing a node's subtree, the one change every pruning method makes.

namespace quarry::dtree {
class TreeNode;
}

namespace quarry::pruning {

// Makes `node` a leaf: its children are deleted, and the items and errors its test used are
// written to both test parts, so that the leaf shows the figures the node had.
void PruneToLeaf(dtree::TreeNode& node);

// Node numbers in reports: inner nodes are numbered in pre-order, the root 1, by one counter
// shared by all recursive methods; the counter is incremented before a child is visited and a
// leaf decrements it again. This advances `counter` over the inner nodes below `node` exactly
// as visiting them would.
void SkipSubtreeNumbers(const dtree::TreeNode& node, int& counter);

}  // namespace quarry::pruning
