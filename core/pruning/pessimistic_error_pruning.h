#pragma once
// Pessimistic error pruning (code 6): from the training cases alone, top-down, a node becomes a
// leaf when its training errors as a leaf, plus one half, are within one standard error of its
// subtree's training errors plus one half per leaf. The subtree of a pruned node is not judged.

#include "core/common/status.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/pruning_context.h"

namespace quarry::pruning {

// Code 6 on `tree`, a copy of the grown tree; the training cases stay loaded.
Status PessimisticErrorPruning(const PruningContext& ctx, dtree::TreeNode& tree);

}  // namespace quarry::pruning
