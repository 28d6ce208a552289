#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/dtree_run.h"
#include "core/pruning/classification_cv.h"

namespace quarry::cli {

void AddDtreeCvCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "dtree-cv",
      "Classification k-fold cross-validation: runs the decision-tree job on each fold's "
      "complement of a K-fold partition of the training table (and of the tables the pruning "
      "method reads) and prints each fold's misclassified cases and their means");
  static DtreeOptions o;
  static int folds = 10;
  AddDtreeOptions(*cmd, o);
  cmd->add_option("--folds,-k", folds, "K, the number of folds (default 10)");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!FinishDtreeOptions(o)) return kExitUsage;
      if (!ctx.OpenDatabase()) return kExitFailure;
      pruning::ClassificationCvParameters p;
      p.tree = o.parameters;
      p.folds = folds;
      StderrProgress progress;
      pruning::ClassificationCvResult result;
      const Status status =
          pruning::ClassificationCrossValidation(p, ctx.source, std::cout, progress, result);
      std::cout << "\n";
      // The folds' figures are shown whenever every fold ran, even if a file was not written.
      if (result.folds.size() != static_cast<size_t>(folds)) return CliContext::Fail(status);
      std::cout << "\nRaw trees:\n";
      for (size_t i = 0; i < result.folds.size(); ++i) {
        const pruning::FoldErrors& f = result.folds[i];
        std::cout << pruning::FoldLine(static_cast<int>(i) + 1, f.raw, f.cases) << "\n";
      }
      std::cout << "\nPruned trees:\n";
      for (size_t i = 0; i < result.folds.size(); ++i) {
        const pruning::FoldErrors& f = result.folds[i];
        std::cout << pruning::FoldLine(static_cast<int>(i) + 1, f.pruned, f.cases) << "\n";
      }
      std::cout << "\n"
                << pruning::MeanRawText(result.meanRaw)
                << pruning::MeanPrunedText(result.meanPruned) << "\n\n";
      if (!status.ok()) return CliContext::Fail(status);  // names the files not written
      std::cout << pruning::kTreesCreated << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
