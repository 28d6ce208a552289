#pragma once
// Softening of thresholds: for every continuous test of a tree, the lower and upper bounds of
// the values around the cut whose classification is doubtful, from the loaded cases. The bounds
// are written to tree files; classification keeps using the cut alone.

#include "core/dtree/tree_node.h"

namespace quarry::dtree {

class InductionEngine;

void SoftenThresholds(InductionEngine& engine, TreeNode& tree);

}  // namespace quarry::dtree
