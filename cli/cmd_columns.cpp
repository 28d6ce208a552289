#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/data/sql_quote.h"

namespace quarry::cli {

void AddColumnsCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("columns", "List a table's columns and their type names");
  static std::string table;
  cmd->add_option("table", table, "Table name")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      std::vector<std::string> names;
      std::vector<std::string> types;
      if (!ctx.source.FieldTypes(SelectAllFrom(table), names, types)) {
        return CliContext::Fail(NotFound("no table " + table + ": " + ctx.source.LastError()));
      }
      for (size_t i = 0; i < names.size(); ++i) std::cout << names[i] << "\t" << types[i] << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
