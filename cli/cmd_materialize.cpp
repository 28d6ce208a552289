#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/query_output.h"

namespace quarry::cli {

void AddMaterializeCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "materialize", "Make a new table from a SELECT statement's result; the statement is stored");
  static std::string sql;
  static std::string name;
  static bool overwrite = false;
  cmd->add_option("sql", sql, "The statement")->required();
  cmd->add_option("--name", name, "The new table")->required();
  cmd->add_flag("--overwrite", overwrite, "Replace a table of that name");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      return MaterializeAndReport(ctx, sql, name, overwrite);
    };
  });
}

}  // namespace quarry::cli
