#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/model_tree_options.h"

namespace quarry::cli {

void AddMtreeCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "mtree", "Grow a model (regression) tree on a table, the last column being the target");
  static modeltree::ModelTreeParams params;
  cmd->add_option("--table", params.table, "The table")->required();
  AddStrataOptions(*cmd, params.strata);
  AddPruneOptions(*cmd, params.prune, params.growingPercent);
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      StderrProgress progress;
      auto outcome = modeltree::RunModelTreeJob(ctx.source, params, std::cout, progress);
      if (!outcome) return CliContext::Fail(outcome.status());
      std::cout << "\n";
      std::cout << modeltree::ModelTreeSummary(*outcome);
      for (const std::string& table : outcome->leftTables) {
        std::cout << "work table " << table << " could not be dropped\n";
      }
      std::cout << "regression tree created\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
