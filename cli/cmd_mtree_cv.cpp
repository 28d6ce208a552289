#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/model_tree_options.h"
#include "core/data/working_folder.h"
#include "core/modeltree/regression_cv.h"

namespace quarry::cli {

namespace {

void PrintFolds(const std::vector<modeltree::FoldResult>& folds,
                const modeltree::CvSummary& summary) {
  std::cout << "Tree     MSE     SSres/Syy\n";
  for (const modeltree::FoldResult& fold : folds) std::cout << fold.line << "\n";
  std::cout << summary.text << "\n";
}

void PrintLeftTables(const std::vector<std::string>& tables) {
  for (const std::string& table : tables) {
    std::cout << "work table " << table << " could not be dropped\n";
  }
}

}  // namespace

void AddMtreeCvCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("mtree-cv", "Regression k-fold cross-validation of model trees");
  static modeltree::RegressionCvParams params;
  cmd->add_option("--table", params.table, "The table")->required();
  cmd->add_option("--folds", params.folds, "Number of folds K (2 to the table's row count)")
      ->required();
  AddStrataOptions(*cmd, params.strata);
  AddPruneOptions(*cmd, params.prune, params.growingPercent);
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      StderrProgress progress;
      auto outcome = modeltree::RunRegressionCV(ctx.source, params, std::cout, progress);
      if (!outcome) return CliContext::Fail(outcome.status());
      std::cout << "\n";
      if (outcome->pruned.empty()) {
        PrintFolds(outcome->grown, outcome->grownSummary);
      } else {
        std::cout << "No pruning Cross Validation results:\n";
        PrintFolds(outcome->grown, outcome->grownSummary);
        std::cout << "\nPruning Cross Validation results:\n";
        PrintFolds(outcome->pruned, outcome->prunedSummary);
      }
      // The folds' figures stand even when a file was not written; the job has failed then.
      if (!outcome->notWritten.empty()) {
        PrintLeftTables(outcome->leftTables);
        return CliContext::Fail(WithFilesNotWritten(Status::Ok(), outcome->notWritten));
      }
      std::cout << "\nresults appended to " << outcome->resultsFile.string() << "\n";
      std::cout << "trees and rules of the folds in " << outcome->resultsFile.parent_path().string()
                << "\n";
      PrintLeftTables(outcome->leftTables);
      std::cout << "operation terminated\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
