#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/query/materialize.h"

namespace quarry::cli {

void AddMaterializeCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("materialize", "Make a new table from a SELECT statement's result");
  static std::string sql;
  static std::string name;
  static bool overwrite = false;
  cmd->add_option("sql", sql, "The statement")->required();
  cmd->add_option("--name", name, "The new table")->required();
  cmd->add_flag("--overwrite", overwrite, "Replace a table of that name");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      Status status = MaterializeQuery(ctx.source, sql, name, [](const std::string& question) {
        if (!overwrite) std::cerr << question << " (no: give --overwrite to replace it)\n";
        return overwrite;
      });
      if (!status.ok()) return CliContext::Fail(status);
      std::cout << "table " << name << " created\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
