#pragma once
// Error complexity pruning with a test set (codes 4 and 5): the family of weakest-link prunings
// of the grown tree is judged on the pruning table, and the member with the lowest error rate
// (0SE), or the smallest member within one standard error of it (1SE), is the result.

#include <vector>

#include "core/common/status.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/error_complexity_family.h"
#include "core/pruning/pruning_context.h"

namespace quarry::pruning {

// The family of `grown` on the loaded training cases: A recounted over them, N their number.
Expected<TreeFamily> BuildMainFamily(const PruningContext& ctx, const dtree::TreeNode& grown,
                                     bool skipNonPositive, bool printMembers);

// The chosen member: the best estimate (ties to the later member), or with `oneSE` the last
// member whose estimate is within one standard error `se(best estimate)` of it, after writing
// the "BEST TREE NUMBER" line.
int ChooseMember(const PruningContext& ctx, const TreeFamily& family,
                 const std::vector<float>& estimates, bool oneSE, double (*se)(double, double),
                 double n);

// Codes 4 (1SE) and 5 (0SE) on a copy of the grown tree `tree`; loads the training table again.
Status ErrorComplexityPruning(const PruningContext& ctx, const dtree::TreeNode& grown,
                              dtree::TreeNode& tree, int method);

}  // namespace quarry::pruning
