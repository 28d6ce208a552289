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
  // A number outside 1 to the queries stored is refused once they are read.
  auto* executeOption =
      cmd->add_option("--execute", execute, "Execute query number N and print its rows");
  auto* materializeOption =
      cmd->add_option("--materialize", materialize, "Make a table of query number N's result");
  auto* nameOption = cmd->add_option("--name", name, "The new table (with --materialize)");
  cmd->add_flag("--overwrite", overwrite, "Replace a table of that name (with --materialize)");
  executeOption->excludes(materializeOption);
  materializeOption->needs(nameOption);
  cmd->callback([&ctx, executeOption, materializeOption] {
    ctx.action = [&ctx, executeOption, materializeOption] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      const std::vector<StoredQuery> queries = ListStoredQueries(ctx.source.ConnectString());
      const bool executing = executeOption->count() > 0;
      if (!executing && materializeOption->count() == 0) {
        for (const StoredQuery& q : queries) std::cout << q.name << "\t" << q.sql << "\n";
        return kExitOk;
      }
      const int chosen = executing ? execute : materialize;
      if (chosen < 1 || static_cast<size_t>(chosen) > queries.size()) {
        return CliContext::Fail(NotFound("there is no Query #" + std::to_string(chosen) +
                                         " for this database (" + std::to_string(queries.size()) +
                                         " stored)"));
      }
      const std::string& sql = queries[static_cast<size_t>(chosen) - 1].sql;
      return executing ? ExecuteAndPrint(ctx, sql)
                       : MaterializeAndReport(ctx, sql, name, overwrite);
    };
  });
}

}  // namespace quarry::cli
