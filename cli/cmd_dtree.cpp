#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/dtree_run.h"

namespace quarry::cli {

std::string MethodNames() {
  std::string names;
  for (const pruning::PruningMethodInfo& method : pruning::PruningMethods()) {
    names += (names.empty() ? "" : ", ") + std::string(method.cliName);
  }
  return names;
}

void AddDtreeOptions(CLI::App& cmd, DtreeOptions& o, bool methodOption) {
  cmd.add_option("--table,-f", o.parameters.table,
                 "The training table; its name contains _data (_train1 for --prune iterative)")
      ->required();
  cmd.add_flag("-g", o.parameters.gainCriterion,
               "Use the gain criterion instead of the gain ratio");
  cmd.add_flag("-s", o.parameters.subsets, "Tests on groups of discrete values");
  cmd.add_flag("-u", o.parameters.unseen,
               "Evaluate the trees on the unseen cases of the *_test table too");
  cmd.add_flag("-p", o.parameters.probThreshold,
               "Soften thresholds; writes the *_prunePROBTHRESH.tree file");
  cmd.add_option("-m", o.parameters.minCases,
                 "Cases in at least two branches of a test (default 2)");
  cmd.add_option("-c", o.parameters.confidence,
                 "Pruning confidence level, a fraction in (0, 1] (default 0.25)");
  cmd.add_option("-v", o.parameters.verbosity, "Verbosity of the engine's trace (0 to 5)");
  cmd.add_option("--mvalues", o.parameters.mValues,
                 "The m values of minimum-error pruning, as \"num1,num2,...\"");
  if (!methodOption) return;
  cmd.add_option("--prune", o.method, "Pruning method: " + MethodNames() + " (default standard)")
      ->check([](const std::string& name) {
        return pruning::FindPruningMethod(name)
                   ? std::string()
                   : "unknown pruning method " + name + "; one of " + MethodNames();
      });
}

bool FinishDtreeOptions(DtreeOptions& o) {
  o.parameters.method = pruning::FindPruningMethod(o.method)->code;
  if (o.parameters.method == pruning::kMinimumErrorPruning && o.parameters.mValues.empty()) {
    std::cerr << "--prune minimum-error needs --mvalues \"num1,num2,...\"\n";
    return false;
  }
  return true;
}

void AddDtreeCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "dtree",
      "Grow a decision tree from a *_data table, prune it with the chosen method and evaluate "
      "it; writes TABLE.tree, TABLEPRUNED.tree and their .rules files in the working folder");
  static DtreeOptions o;
  AddDtreeOptions(*cmd, o);
  static std::string* windowing[3] = {&o.parameters.trials, &o.parameters.window,
                                      &o.parameters.increment};
  static bool given[3] = {false, false, false};
  const char* letters[3] = {"-t", "-w", "-i"};
  const char* texts[3] = {"Windowing with this many trials (standard pruning only)",
                          "Windowing with this initial window size (standard pruning only)",
                          "Windowing with this maximum window increment (standard pruning only)"};
  for (int i = 0; i < 3; ++i) {
    cmd->add_option_function<std::string>(
        letters[i],
        [i](const std::string& value) {
          *windowing[i] = value;
          given[i] = true;
        },
        texts[i]);
  }
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!FinishDtreeOptions(o)) return kExitUsage;
      o.parameters.windowing = given[0] || given[1] || given[2];
      if (o.parameters.windowing && o.parameters.method != pruning::kStandardPrune) {
        std::cerr << "windowing (-t, -w, -i) goes with standard pruning only\n";
        return kExitUsage;
      }
      if (!ctx.OpenDatabase()) return kExitFailure;
      return RunDecisionTreeJob(ctx, o.parameters);
    };
  });
}

}  // namespace quarry::cli
