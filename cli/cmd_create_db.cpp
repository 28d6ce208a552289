#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace quarry::cli {

void AddCreateDbCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("create-db", "Create a new, empty SQLite database file");
  static std::string path;
  cmd->add_option("path", path, "The file to create (must not exist)")->required();
  cmd->callback([&ctx] {
    ctx.action = [] {
      std::string error;
      if (!DataSource::CreateSqliteFile(path, &error)) return CliContext::Fail(IoError(error));
      std::cout << "database " << path << " created\n";
      return kExitOk;
    };
  });
  (void)ctx;
}

}  // namespace quarry::cli
