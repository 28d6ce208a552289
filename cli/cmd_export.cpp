#include <CLI/CLI.hpp>

#include <filesystem>

#include "cli/commands.h"
#include "core/data/data_file.h"
#include "core/data/working_folder.h"

namespace quarry::cli {

void AddExportCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("export", "Export a table to a data text file");
  static std::string table;
  static std::string file;
  cmd->add_option("table", table, "The table")->required();
  cmd->add_option("file", file, "The data file (a bare name goes into the working folder)")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      std::string path = file;
      if (std::filesystem::path(file).parent_path().empty()) {
        if (Status s = EnsureWorkingFolder(); !s.ok()) return CliContext::Fail(s);
        path = WorkingFile(file).string();
      }
      StderrProgress progress;
      auto rows = ExportDataFile(ctx.source, table, path, progress);
      if (!rows) return CliContext::Fail(rows.status());
      std::cout << *rows << " rows exported to " << path << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
