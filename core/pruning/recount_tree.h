#pragma once
// Recounting a tree's node statistics on the loaded cases: afterwards every node's items are the
// weight of the cases that reach it and its errors the weight of those not of its leaf class,
// that is the errors it would make as a leaf, R(t). A tree as grown holds in an inner node the
// errors of its whole subtree, R(Tt), instead.

namespace quarry::dtree {
class InductionEngine;
class TreeNode;
}  // namespace quarry::dtree

namespace quarry::pruning {

// Recounts `node`'s subtree over the loaded cases Item[first..last]. A subtree that receives no
// case keeps its counts. Cases with an unknown outcome of a test go down every branch with
// their weight shared by the branches' previous items. Reorders Item within the range.
void RecountTree(dtree::InductionEngine& engine, dtree::TreeNode& node, int first, int last);

}  // namespace quarry::pruning
