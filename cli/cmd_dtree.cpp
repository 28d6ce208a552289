#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/dtree_run.h"

namespace quarry::cli {

namespace {

struct DtreeArguments {
  std::string table;
  bool gainCriterion = false;
  bool probabilityThresholds = false;
  bool unseen = false;
  bool subsets = false;
  std::string confidence = "0.25";
  std::string minCases = "2";
  std::string window, trials, increment, verbosity;

  // The engine's option vector, in the order the workbench's dialog builds it.
  std::vector<std::string> Vector() const {
    std::vector<std::string> args = {"quarry", "-f", table};
    if (gainCriterion) args.push_back("-g");
    if (probabilityThresholds) args.push_back("-p");
    if (unseen) args.push_back("-u");
    if (subsets) args.push_back("-s");
    args.insert(args.end(), {"-c", confidence, "-m", minCases});
    for (const auto& [letter, value] :
         {std::pair{"-w", &window}, {"-t", &trials}, {"-i", &increment}}) {
      if (!value->empty()) args.insert(args.end(), {letter, *value});
    }
    if (!verbosity.empty()) args.insert(args.end(), {"-v", verbosity});
    return args;
  }
};

}  // namespace

void AddDtreeCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "dtree",
      "Grow a decision tree from a *_data table, prune it (standard pruning) and evaluate it; "
      "writes "
      "TABLE.tree, TABLEPRUNED.tree and their .rules files in the working folder");
  static DtreeArguments a;
  cmd->add_option("--table,-f", a.table, "The training table; its name contains _data")->required();
  cmd->add_flag("-g", a.gainCriterion, "Use the gain criterion instead of the gain ratio");
  cmd->add_flag("-s", a.subsets, "Tests on groups of discrete values");
  cmd->add_flag("-u", a.unseen, "Evaluate the trees on the unseen cases of the *_test table too");
  cmd->add_flag("-p", a.probabilityThresholds,
                "Soften thresholds; writes the *_prunePROBTHRESH.tree file");
  cmd->add_option("-m", a.minCases, "Cases in at least two branches of a test (default 2)");
  cmd->add_option("-c", a.confidence,
                  "Pruning confidence level, a fraction in (0, 1] (default 0.25)");
  cmd->add_option("-t", a.trials, "Windowing with this many trials");
  cmd->add_option("-w", a.window, "Windowing with this initial window size");
  cmd->add_option("-i", a.increment, "Windowing with this maximum window increment");
  cmd->add_option("-v", a.verbosity, "Verbosity of the engine's trace (0 to 5)");
  cmd->callback([&ctx] {
    ctx.action = [&ctx] {
      if (!ctx.OpenDatabase()) return kExitFailure;
      return RunDecisionTreeJob(ctx, a.Vector());
    };
  });
}

}  // namespace quarry::cli
