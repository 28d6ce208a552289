#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/transform/value_distribution.h"

namespace quarry::cli {

void AddValuesCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "values",
      "A column's distinct values, or with --probability each value's relative frequency");
  static std::string table;
  static std::string column;
  static bool probability = false;
  cmd->add_option("--table", table, "The table")->required();
  cmd->add_option("--column", column, "The column")->required();
  cmd->add_flag("--probability", probability, "Each value with its count divided by the row count");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      auto values = ValueDistribution(ctx.source, table, column, probability);
      if (!values) return CliContext::Fail(values.status());
      for (const std::string& caption : values->header) std::cout << "\t" << caption;
      std::cout << "\n";
      for (const ValueRow& row : values->rows) {
        std::cout << row.label << "\t" << row.value;
        if (probability) std::cout << "\t" << row.probability;
        std::cout << "\n";
      }
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
