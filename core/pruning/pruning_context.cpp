#include "core/pruning/pruning_context.h"

#include <ostream>

#include "core/dtree/induction_engine.h"
#include "core/treefiles/decision_tree_writer.h"

namespace quarry::pruning {

std::ostream& PruningContext::Report() const { return engine.Report(); }

bool PruningContext::Verbose() const { return engine.Options.VERBOSITY >= 1; }

Status PruningContext::LoadTable(const std::string& table) const {
  switch (engine.LoadCases(table, source)) {
    case 0:
      return Status::Ok();
    case 1:
      return InvalidArgument("the table " + table + " has no rows: a tree cannot be pruned on it");
    default:
      return DatabaseError("cannot read the rows of " + table + ": " +
                           engine.Cases.LastLoadError());
  }
}

void PruningContext::PrintTree(const dtree::TreeNode& tree) const {
  Report() << treefiles::DecisionTreeBlocks(tree, engine.Att());
}

Status PruningContext::CheckCancelled() const {
  if (engine.JobProgress().Cancelled()) return Cancelled("the decision-tree job was stopped");
  return Status::Ok();
}

}  // namespace quarry::pruning
