#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/dtree_run.h"
#include "core/common/text_util.h"
#include "core/pruning/pruning_comparison.h"

namespace quarry::cli {

void AddDtreeCompareCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "dtree-compare",
      "Grow a decision tree from a *_data table once, prune a copy with every pruning method "
      "whose tables exist (or those of --methods) and print one row per method: leaves, depth, "
      "errors on the training, *_prune and *_test tables, the method's estimate and its time; "
      "writes TABLE_compare.txt and .csv and each method's tree and rules as TABLE_METHOD");
  static DtreeOptions o;
  static std::string methods;
  AddDtreeOptions(*cmd, o, false);
  cmd->add_option("--methods", methods,
                  "The methods to compare, separated by commas: " + MethodNames() +
                      " (default: every method whose tables exist)");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      pruning::ComparisonParameters p;
      p.tree = o.parameters;
      for (const std::string& piece : SplitFields(methods, ',')) {
        const std::string name(Trim(piece));
        if (name.empty()) continue;
        const auto method = pruning::FindPruningMethod(name);
        if (!method) {
          std::cerr << "unknown pruning method " << name << "; one of " << MethodNames() << "\n";
          return kExitUsage;
        }
        p.methods.push_back(method->code);
      }
      if (!ctx.OpenDatabase()) return kExitFailure;
      StderrProgress progress;
      pruning::ComparisonResult result;
      const Status status =
          pruning::ComparePruningMethods(p, ctx.source, std::cout, progress, result);
      std::cout << "\n";
      if (!status.ok()) return CliContext::Fail(status);
      std::cout << "\n" << pruning::ComparisonText(result) << "\n";
      for (const auto& file : result.files) std::cout << "  " << file.string() << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
