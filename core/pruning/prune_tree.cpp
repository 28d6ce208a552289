#include "core/pruning/prune_tree.h"

#include <ostream>

#include "core/dtree/error_based_pruning.h"
#include "core/dtree/induction_engine.h"
#include "core/pruning/critical_value_pruning.h"
#include "core/pruning/error_complexity_cv.h"
#include "core/pruning/error_complexity_pruning.h"
#include "core/pruning/iterative_growing_pruning.h"
#include "core/pruning/minimum_error_pruning.h"
#include "core/pruning/pessimistic_error_pruning.h"
#include "core/pruning/pruning_context.h"
#include "core/pruning/reduced_error_pruning.h"

namespace quarry::pruning {

namespace {

Status Dispatch(const PruningContext& ctx, const dtree::TreeNode& grown, dtree::TreeNode& tree,
                int method) {
  switch (method) {
    case kStandardPrune:
      // After pruning, the job reads the order of the training cases only to soften thresholds.
      if (dtree::ErrorBasedPrune(ctx.engine, tree, ctx.trainingTable,
                                 !ctx.engine.Options.PROBTHRESH)) {
        ctx.Report() << "\nSimplified ";
      }
      return Status::Ok();
    case kReducedErrorPruning:
      return ReducedErrorPruning(ctx, tree);
    case kReducedErrorGrafting:
      return ReducedErrorGrafting(ctx, tree);
    case kPessimisticErrorPruning:
      return PessimisticErrorPruning(ctx, tree);
    case kCriticalValuePruning:
      return CriticalValuePruning(ctx, tree);
    case kMinimumErrorPruning:
      return MinimumErrorPruning(ctx, grown, tree);
    case kErrorComplexityTestSet:
    case kErrorComplexityTestSet1SE:
      return ErrorComplexityPruning(ctx, grown, tree, method);
    case kErrorComplexityCV:
    case kErrorComplexityCV1SE:
    case kErrorComplexityNewCV:
    case kErrorComplexityNewCV1SE:
      return ErrorComplexityCrossValidation(ctx, grown, tree, method);
    case kIterativeGrowingPruning:
      return IterativeGrowingPruning(ctx, tree);
    default:
      return InvalidArgument("pruning method " + std::to_string(method) + " is not available");
  }
}

}  // namespace

Status PruneTree(dtree::InductionEngine& engine, dtree::TreeNode& result, int method,
                 const dtree::TreeNode& grown, const std::string& trainingTable, DataSource& source,
                 const std::string& mValues, PruningShare* share) {
  const PruningContext ctx{engine, source, trainingTable, mValues, share};
  std::unique_ptr<dtree::TreeNode> tree = dtree::CopyTree(grown);  // slot 0
  if (Status s = Dispatch(ctx, grown, *tree, method); !s.ok()) return s;
  dtree::SwapContents(result, *tree);
  return Status::Ok();
}

bool PrunesInPlace(int method) {
  switch (method) {
    case kStandardPrune:
    case kReducedErrorPruning:
    case kReducedErrorGrafting:
    case kPessimisticErrorPruning:
    case kCriticalValuePruning:
      return true;
    default:
      return false;
  }
}

Status PruneInPlace(dtree::InductionEngine& engine, dtree::TreeNode& tree, int method,
                    const std::string& trainingTable, DataSource& source) {
  if (!PrunesInPlace(method)) {
    return InvalidArgument("pruning method " + std::to_string(method) +
                           " needs the grown tree beside the one it prunes");
  }
  const PruningContext ctx{engine, source, trainingTable, std::string(), nullptr};
  return Dispatch(ctx, tree, tree, method);
}

}  // namespace quarry::pruning
