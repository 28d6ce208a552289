#include <CLI/CLI.hpp>
#include <iostream>
#include <sstream>

#include "cli/commands.h"
#include "core/scoring/apply_model.h"

namespace quarry::cli {

void AddApplyCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "apply", "Score every row of a table with a saved tree and add the predictions as columns");
  static scoring::ApplyParams params;
  cmd->add_option("--model", params.model, "The tree file (B.tree, found in the working folder)")
      ->required();
  cmd->add_option("--table", params.table, "The table to score")->required();
  cmd->add_option("--column", params.column,
                  "The new column of predictions (default: the class column's name + _predicted)");
  cmd->add_option("--confidence-column", params.confidenceColumn,
                  "Also a column with the winning class's share of the weight");
  cmd->add_option("--leaf-column", params.leafColumn,
                  "Also a column with the number of the leaf (rule) the row reached");
  cmd->add_flag("--overwrite", params.overwrite, "Replace columns of those names");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      StderrProgress progress;
      std::ostringstream messages;
      auto result = scoring::ApplyModel(ctx.source, params, messages, progress);
      if (!messages.str().empty()) std::cerr << messages.str() << "\n";
      if (!result) return CliContext::Fail(result.status());
      std::cout << scoring::ApplyReport(*result);
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
