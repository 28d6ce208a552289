#pragma once
// What every pruning method works with: the engine (its loaded cases, options and report
// stream), the data source its tables come from, the training table's name, and the helpers
// that swap the loaded case set and print trees into the report.

#include <functional>
#include <iosfwd>
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

struct PruningShare;

struct PruningContext {
  dtree::InductionEngine& engine;
  DataSource& source;
  std::string trainingTable;
  std::string mValues;  // the minimum error method's m-value text
  // What the methods pruning one grown tree in turn share (pruning_share.h); none in a plain job.
  PruningShare* share = nullptr;

  std::ostream& Report() const;
  // Lines the engine writes only at verbosity 1 or more.
  bool Verbose() const;
  // Replaces the loaded cases by the rows of `table`, or by a copy of them when the share holds
  // the table read already. A table without rows or that cannot be read fails: a method cannot
  // judge a tree on no cases.
  Status LoadTable(const std::string& table) const;
  Status LoadTraining() const { return LoadTable(trainingTable); }
  // Writes `tree` into the report as the tree files show it.
  void PrintTree(const dtree::TreeNode& tree) const;
  // Fails with kCancelled when the job was asked to stop.
  Status CheckCancelled() const;
};

// Runs `work`, which writes into `report`, and returns what it wrote, which is in `report` too.
std::string KeepingReport(std::ostream& report, const std::function<void()>& work);

}  // namespace quarry::pruning
