#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/assoc/binarization.h"

namespace quarry::cli {

void AddBinarizeCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "binarize", "Add one 0/1 column COLUMN_Value_v to the table for each value v of a column");
  static std::string table;
  static std::string column;
  cmd->add_option("--table", table, "The table, changed in place")->required();
  cmd->add_option("--column", column, "The column to binarize; it stays")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      auto result = assoc::BinarizeColumn(ctx.source, table, column);
      if (!result) return CliContext::Fail(result.status());
      for (const std::string& added : result->columns) std::cout << "added " << added << "\n";
      for (const std::string& note : result->skipped) std::cout << "skipped " << note << "\n";
      std::cout << "Process finished\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
