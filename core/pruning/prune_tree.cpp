#include "core/pruning/prune_tree.h"

#include <ostream>

#include "core/dtree/error_based_pruning.h"
#include "core/dtree/induction_engine.h"

namespace quarry::pruning {

Status PruneTree(dtree::InductionEngine& engine, dtree::TreeNode& result, int method,
                 const dtree::TreeNode& grown, const std::string& trainingTable, DataSource& source,
                 const std::string& mValues) {
  (void)source;
  (void)mValues;
  switch (method) {
    case kStandardPrune: {
      dtree::ReplaceWithCopy(result, grown);
      if (dtree::ErrorBasedPrune(engine, result, trainingTable)) engine.Report() << "\nSimplified ";
      return Status::Ok();
    }
    default:
      return InvalidArgument("pruning method " + std::to_string(method) + " is not available");
  }
}

}  // namespace quarry::pruning
