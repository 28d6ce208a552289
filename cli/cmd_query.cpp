#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace quarry::cli {

void AddQueryCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("query", "Run a SELECT and print its rows, tab-separated (\"?\" for NULL)");
  static std::string sql;
  cmd->add_option("sql", sql, "The statement")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      ExclusiveUse exclusive(ctx.source);
      std::vector<std::string> names;
      std::vector<std::string> types;
      if (!ctx.source.FieldTypes(sql, names, types) || !ctx.source.Query(sql)) {
        return CliContext::Fail(DatabaseError("Error in SQL Statement: " + ctx.source.LastError()));
      }
      auto printRow = [](const std::vector<std::string>& values) {
        for (size_t i = 0; i < values.size(); ++i) std::cout << (i ? "\t" : "") << values[i];
        std::cout << "\n";
      };
      printRow(names);
      std::vector<std::string> row;
      for (bool more = ctx.source.FirstRow(row); more; more = ctx.source.NextRow(row)) printRow(row);
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
