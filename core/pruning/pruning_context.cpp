#include "core/pruning/pruning_context.h"

#include <ostream>
#include <sstream>

#include "core/dtree/induction_engine.h"
#include "core/pruning/pruning_share.h"
#include "core/treefiles/decision_tree_writer.h"

namespace quarry::pruning {

std::ostream& PruningContext::Report() const { return engine.Report(); }

bool PruningContext::Verbose() const { return engine.Options.VERBOSITY >= 1; }

const TableRead* FindTableRead(const std::vector<TableRead>* tables, const std::string& table) {
  if (tables == nullptr) return nullptr;
  for (const TableRead& read : *tables) {
    if (read.table == table) return &read;
  }
  return nullptr;
}

Status PruningContext::LoadTable(const std::string& table) const {
  int code = 0;
  if (const TableRead* read = FindTableRead(share ? share->tables : nullptr, table)) {
    engine.Cases.LoadCopy(read->cases);
    engine.AllocateWorkArrays();
    Report() << read->messages;
    code = read->cases.MaxItem < 0 ? 1 : 0;
  } else {
    code = engine.LoadCases(table, source);
  }
  switch (code) {
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

std::string KeepingReport(std::ostream& report, const std::function<void()>& work) {
  std::ostringstream kept;
  std::streambuf* const reportBuffer = report.rdbuf(kept.rdbuf());
  work();
  report.rdbuf(reportBuffer);
  std::string text = std::move(kept).str();
  report << text;
  return text;
}

}  // namespace quarry::pruning
