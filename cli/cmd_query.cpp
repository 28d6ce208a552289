#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/query_output.h"

namespace quarry::cli {

void AddQueryCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("query",
                                 "Execute a SELECT the query editor's way (upper-cased, through a "
                                 "scratch table QRYn) and print its rows, "
                                 "tab-separated (\"?\" for NULL); the statement is stored");
  static std::string sql;
  cmd->add_option("sql", sql, "The statement")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      return ExecuteAndPrint(ctx, sql);
    };
  });
}

}  // namespace quarry::cli
