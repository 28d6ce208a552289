#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/data/data_file.h"

namespace quarry::cli {

void AddImportCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("import", "Import a data text file into a new table");
  static std::string file;
  static std::string table;
  cmd->add_option("file", file, "The data file (a bare name is looked up in the working folder first)")->required();
  cmd->add_option("--table", table, "The new table")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      const std::string path = InputFile(file);
      StderrProgress progress;
      auto result = ImportDataFile(ctx.source.ConnectString(), path, table, progress);
      if (!result) return CliContext::Fail(result.status());
      std::cout << result->rowsInserted << " rows imported into " << table << "\n";
      if (result->rowsSkipped > 0) std::cout << result->rowsSkipped << " rows refused by the database and skipped\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
