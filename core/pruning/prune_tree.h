#pragma once
// The pruning step of a decision-tree job: one method, chosen by its code, turns the grown tree
// into the pruned tree the job writes and evaluates. Every method works on a deep copy; the
// grown tree is left as it is. A method that needs other cases loads them through the engine
// and loads the training table again before it returns (the methods say where they differ).

#include <string>

#include "core/common/status.h"
#include "core/dtree/tree_node.h"

namespace quarry {
class DataSource;
}

namespace quarry::dtree {
class InductionEngine;
}

namespace quarry::pruning {

// The pruning-method codes of the decision-tree job (10 is unused).
enum PruningMethod : int16_t {
  kStandardPrune = 0,
  kReducedErrorPruning = 1,
  kCriticalValuePruning = 2,
  kMinimumErrorPruning = 3,
  kErrorComplexityTestSet1SE = 4,
  kErrorComplexityTestSet = 5,
  kPessimisticErrorPruning = 6,
  kIterativeGrowingPruning = 7,
  kErrorComplexityCV = 8,
  kErrorComplexityCV1SE = 9,
  kReducedErrorGrafting = 11,
  kErrorComplexityNewCV = 12,
  kErrorComplexityNewCV1SE = 13,
};

// Makes `result` the tree that `method` makes of `grown`. `trainingTable` names the training
// table (the method derives its other tables from it), `mValues` is the minimum error method's
// list of m values. Fails with kInvalidArgument for a code that names no available method.
Status PruneTree(dtree::InductionEngine& engine, dtree::TreeNode& result, int method,
                 const dtree::TreeNode& grown, const std::string& trainingTable, DataSource& source,
                 const std::string& mValues);

}  // namespace quarry::pruning
