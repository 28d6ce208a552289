#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/query_output.h"
#include "core/query/stored_queries.h"

namespace quarry::cli {

void AddStoredQueriesCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "stored-queries",
      "List the statements stored for this database, or execute or materialize one of them");
  static int execute = 0;
  static int materialize = 0;
  static std::string name;
  static bool overwrite = false;
  auto* executeOption =
      cmd->add_option("--execute", execute, "Execute query number N and print its rows")
          ->check(CLI::PositiveNumber);
  auto* materializeOption =
      cmd->add_option("--materialize", materialize, "Make a table of query number N's result")
          ->check(CLI::PositiveNumber);
  auto* nameOption = cmd->add_option("--name", name, "The new table (with --materialize)");
  cmd->add_flag("--overwrite", overwrite, "Replace a table of that name (with --materialize)");
  executeOption->excludes(materializeOption);
  materializeOption->needs(nameOption);
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      const std::vector<StoredQuery> queries = ListStoredQueries(ctx.source.ConnectString());
      const int chosen = execute > 0 ? execute : materialize;
      if (chosen == 0) {
        for (const StoredQuery& q : queries) std::cout << q.name << "\t" << q.sql << "\n";
        return kExitOk;
      }
      if (static_cast<size_t>(chosen) > queries.size()) {
        return CliContext::Fail(NotFound("there is no Query #" + std::to_string(chosen) +
                                         " for this database (" + std::to_string(queries.size()) +
                                         " stored)"));
      }
      const std::string& sql = queries[static_cast<size_t>(chosen) - 1].sql;
      return execute > 0 ? ExecuteAndPrint(ctx, sql)
                         : MaterializeAndReport(ctx, sql, name, overwrite);
    };
  });
}

}  // namespace quarry::cli
