#pragma once
// Critical value pruning (code 2): a node whose test's gain ratio (recorded when the tree was
// grown) does not exceed a critical value, and whose children are all leaves by then, becomes a
// leaf. The critical value rises from 0.01 to 1.00 in steps of 0.01, pruning the same tree
// further each time; the tree that makes the fewest errors on the pruning table wins.

#include "core/common/status.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/pruning_context.h"

namespace quarry::pruning {

// One pass at critical value `cv`, children first. True when `node` is a leaf afterwards; sets
// `changed` when it pruned something.
bool CriticalValuePrune(const PruningContext& ctx, dtree::TreeNode& node, double cv, int number,
                        int& counter, bool& changed);

// Code 2 on `tree`, a copy of the grown tree; loads the training table again at the end.
Status CriticalValuePruning(const PruningContext& ctx, dtree::TreeNode& tree);

}  // namespace quarry::pruning
