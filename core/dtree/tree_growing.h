#pragma once
// Growing a decision tree by divide and conquer from the engine's loaded cases.

#include <memory>

#include "core/dtree/tree_node.h"

namespace quarry::dtree {

class InductionEngine;

// Grows the subtree for Item[fp..lp] into `node` (a fresh node). Cases with an unknown value of
// a node's test go down every branch with their weight shared in proportion to the branches'
// known cases. The tree is never simplified here. When the job is cancelled, nodes not yet
// grown stay leaves. Where the engine may take any order among equal values (and every value is
// known), each attribute's cases are sorted once for the whole subtree.
void GrowTree(InductionEngine& engine, TreeNode& node, int fp, int lp);

// Whether growing from Item[fp..lp] cannot depend on the order among equal values, so that
// sorts may take the quicker, stable way: every weight 1 (each sum of weights a whole count, the
// same in any order), no unknown value (no weight ever shared out), no windowing (nothing draws
// cases by their order), and the quicker way not switched off (SortStablyWhereFree).
bool OrderAmongEqualsFree(const InductionEngine& engine, int fp, int lp);

// A new tree grown from Item[fp..lp] with all weights reset to 1, the quicker way where the
// order among equal values is free.
std::unique_ptr<TreeNode> GrowNewTree(InductionEngine& engine, int fp, int lp);

}  // namespace quarry::dtree
