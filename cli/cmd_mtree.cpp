#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/model_tree_options.h"
#include "core/common/text_util.h"

namespace quarry::cli {

namespace {

void PrintTree(const char* what, const modeltree::ModelTreeFiles& files) {
  std::cout << what << " " << files.baseName << ": " << files.counts.splits << " split nodes, "
            << files.counts.regressions << " regression nodes, " << files.counts.leaves
            << " leaves\n"
            << "  tree:  " << files.tree.string() << "\n"
            << "  rules: " << files.rules.string() << "\n"
            << "  on " << files.evaluatedOn << " (" << files.errors.n << " cases): "
            << Format("ERROR = %f, SSres/Syy = %f\n", files.errors.Rmse(), files.errors.Ratio());
}

}  // namespace

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
      PrintTree("grown tree", outcome->grown);
      if (outcome->pruned) PrintTree("pruned tree", *outcome->pruned);
      for (const std::string& table : outcome->leftTables) {
        std::cout << "work table " << table << " could not be dropped\n";
      }
      std::cout << "regression tree created\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
