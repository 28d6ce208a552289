#include <CLI/CLI.hpp>

#include <filesystem>

#include "cli/commands.h"
#include "core/data/csv_file.h"
#include "core/data/data_file.h"

namespace quarry::cli {

void AddImportCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "import",
      "Import a data text file (names line, types line, rows) or a CSV file (names line, rows; "
      "each column's type guessed from its values) into a new table");
  static std::string file;
  static std::string table;
  static bool csv = false;
  cmd->add_option("file", file,
                  "The data file (a bare name is looked up in the working folder first)")
      ->required();
  auto* tableOption = cmd->add_option(
      "--table", table, "The new table (default: the file's name without its extension)");
  cmd->add_flag("--csv", csv, "Read the file as CSV (the default for a name ending in .csv)");
  cmd->callback([&ctx, tableOption] {
    ctx.action = [&ctx, tableOption] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      const std::string path = InputFile(file);
      const std::string name =
          tableOption->count() == 0 ? std::filesystem::path(file).stem().string() : table;
      StderrProgress progress;
      auto result = [&]() -> Expected<ImportResult> {
        if (!csv && !IsCsvFileName(path)) {
          return ImportDataFile(ctx.source.ConnectString(), path, name, progress);
        }
        auto columns = GuessCsvColumns(path);
        if (!columns) return columns.status();
        std::cout << "columns:";
        for (size_t i = 0; i < columns->names.size(); ++i) {
          std::cout << (i ? ", " : " ") << columns->names[i] << " " << columns->types[i];
        }
        std::cout << "\n";
        return ImportCsvFile(ctx.source.ConnectString(), path, name, *columns, progress);
      }();
      if (!result) return CliContext::Fail(result.status());
      std::cout << ImportSummary(*result, name) << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
