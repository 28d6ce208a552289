#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace quarry::cli {

void AddTablesCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("tables", "List the tables of the database");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      std::vector<std::string> names;
      if (!ctx.source.ListTables(names)) return CliContext::Fail(DatabaseError(ctx.source.LastError()));
      for (const std::string& name : names) std::cout << name << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
