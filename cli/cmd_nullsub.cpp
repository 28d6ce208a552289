#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/transform/null_substitution.h"

namespace quarry::cli {

void AddNullsubCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("nullsub",
                                 "Add a copy of a column with its missing values replaced by its "
                                 "average (float) or most frequent value");
  static NullSubstitutionParams params;
  static std::string name;
  cmd->add_option("--table", params.table, "The table")->required();
  cmd->add_option("--column", params.column, "The column")->required();
  cmd->add_option("--name", name, "The new column")->required();
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      params.newName = FixedName(name);
      auto result = SubstituteNulls(ctx.source, params);
      if (!result) return CliContext::Fail(result.status());
      if (result->substitute.empty()) {
        std::cout << "the column has no known value: the copy keeps its missing values\n";
      } else {
        std::cout << "missing values replaced by " << result->substitute << "\n";
      }
      std::cout << kTableIsUpdated << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
