#pragma once
// Error complexity pruning with ten-fold cross-validation (codes 8, 9, 12, 13). Trees grown on
// the ten fold training tables B_xt1..B_xt10 and judged on the fold test tables B_xs1..B_xs10
// estimate the error of each member of the grown tree's family:
//  - codes 8 and 9 prune each fold tree at the geometric mean of the member's alfa and the
//    next member's (the last member, the root alone, is matched by each fold tree cut back to
//    its root) and average the fold trees' error rates;
//  - codes 12 and 13 build each fold tree's own family and interpolate, at the member's alfa,
//    between the error rates of the two fold members around it.
// Codes 8 and 12 choose the lowest estimate, 9 and 13 the smallest member within one standard
// error of it. Each fold test table is read once and its cases kept for every estimate.

#include <memory>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/case_set.h"
#include "core/dtree/tree_node.h"
#include "core/pruning/error_complexity_family.h"
#include "core/pruning/pruning_context.h"

namespace quarry::pruning {

struct FoldTree {
  std::unique_ptr<dtree::TreeNode> grown;      // B: grown on the fold's training table
  std::unique_ptr<dtree::TreeNode> recounted;  // A: the same recounted on those cases
  float n = 0;                                 // its root's items, truncated
  dtree::CaseSet::LoadedCases test;            // the fold's test cases, held outside the engine
};

// Grows fold tree `v` (1 to 10) of base name `base` in ctx's engine and reads its test table;
// with a trace, writes the tree (and before the first, a heading) into the report.
Status GrowFoldTree(const PruningContext& ctx, const std::string& base, int v, FoldTree& fold);

// Grows the ten fold trees of base name `base` and reads their test tables. The trees grow
// independently, up to ParallelJobs() at once, each in an engine of its own; the report gets
// each fold's lines in fold order, as growing them one after another writes them. The engine's
// loaded cases are left unspecified.
Expected<std::vector<FoldTree>> GrowFoldTrees(const PruningContext& ctx, const std::string& base);

// The estimates of codes 8 and 9, one per member of `family`.
std::vector<float> CrossValidateAlfas(const PruningContext& ctx, const TreeFamily& family,
                                      const std::vector<FoldTree>& folds);
// The estimates of codes 12 and 13. Fails with kFatal when a fold's family grows too large.
Expected<std::vector<float>> CrossValidateInterpolated(const PruningContext& ctx,
                                                       const TreeFamily& family,
                                                       const std::vector<FoldTree>& folds);

// Codes 8, 9, 12 and 13 on a copy of the grown tree `tree`; loads the training table again.
Status ErrorComplexityCrossValidation(const PruningContext& ctx, const dtree::TreeNode& grown,
                                      dtree::TreeNode& tree, int method);

}  // namespace quarry::pruning
