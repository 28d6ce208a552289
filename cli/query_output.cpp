#include "cli/query_output.h"

#include "core/query/materialize.h"
#include "core/query/query_execution.h"
#include "core/query/table_view.h"

namespace quarry::cli {

namespace {

void PrintRow(const std::vector<std::string>& values) {
  for (size_t i = 0; i < values.size(); ++i) std::cout << (i ? "\t" : "") << values[i];
  std::cout << "\n";
}

// Storing the statement is a convenience: its failure is told, not fatal.
void WarnIfNotStored(const Status& stored) {
  if (!stored.ok()) std::cerr << "the statement was not stored: " << stored.message() << "\n";
}

}  // namespace

int PrintTable(CliContext& ctx, const std::string& table) {
  Status status = ViewTable(ctx.source, table, PrintRow, PrintRow);
  return status.ok() ? kExitOk : CliContext::Fail(status);
}

int ExecuteAndPrint(CliContext& ctx, const std::string& sql) {
  auto executed = ExecuteQuery(ctx.source, sql);
  if (!executed) return CliContext::Fail(executed.status());
  WarnIfNotStored(executed->stored);
  const int shown = PrintTable(ctx, executed->table);
  if (Status dropped = CloseExecutedQuery(ctx.source, *executed); !dropped.ok()) {
    std::cerr << "the scratch table " << executed->table
              << " could not be dropped: " << dropped.message() << "\n";
  }
  return shown;
}

int MaterializeAndReport(CliContext& ctx, const std::string& sql, const std::string& name,
                         bool overwrite) {
  auto made = MaterializeQuery(ctx.source, sql, name, [overwrite](const std::string& question) {
    if (!overwrite) std::cerr << question << " (no: give --overwrite to replace it)\n";
    return overwrite;
  });
  if (!made) return CliContext::Fail(made.status());
  WarnIfNotStored(made->stored);
  std::cout << "table " << name << " created\n";
  return kExitOk;
}

}  // namespace quarry::cli
