#include "core/pruning/decision_tree_job.h"

#include "core/data/working_folder.h"
#include "core/dtree/induction_engine.h"

namespace quarry::pruning {

namespace {

void AddIf(std::vector<std::string>& args, bool on, const char* option) {
  if (on) args.push_back(option);
}

}  // namespace

std::vector<std::string> DecisionTreeArguments(const DecisionTreeParameters& p) {
  std::vector<std::string> args = {"quarry", "-f", p.table};
  AddIf(args, p.gainCriterion, "-g");
  AddIf(args, p.probThreshold, "-p");
  AddIf(args, p.unseen, "-u");
  AddIf(args, p.subsets, "-s");
  args.insert(args.end(), {"-c", p.confidence, "-m", p.minCases});
  if (p.method == kStandardPrune && p.windowing) {
    args.insert(args.end(), {"-w", p.window, "-t", p.trials, "-i", p.increment});
  }
  if (!p.verbosity.empty()) args.insert(args.end(), {"-v", p.verbosity});
  return args;
}

std::vector<std::string> CrossValidationArguments(const DecisionTreeParameters& p) {
  std::vector<std::string> args = {"quarry", "-f", p.table};
  AddIf(args, p.unseen, "-u");
  AddIf(args, p.gainCriterion, "-g");
  AddIf(args, p.probThreshold, "-p");
  AddIf(args, p.subsets, "-s");
  args.insert(args.end(), {"-c", p.confidence, "-m", p.minCases});
  if (!p.verbosity.empty()) args.insert(args.end(), {"-v", p.verbosity});
  return args;
}

std::atomic<bool>& DecisionTreeEngineFree() {
  static std::atomic<bool> free{true};
  return free;
}

Status RunTreeEngine(const std::vector<std::string>& args, int method, const std::string& mValues,
                     DataSource& source, std::ostream& report, Progress& progress,
                     InductionResult& result, const std::string& heldOutTable) {
  dtree::InductionEngine engine(report, progress);
  return RunInduction(engine, args, method, mValues, source, result, heldOutTable);
}

Status DecisionTreeJob(const DecisionTreeParameters& p, DataSource& source, std::ostream& report,
                       Progress& progress, InductionResult& result) {
  EngineClaim engine;
  if (!engine.Taken()) return Status(StatusCode::kBusy, kMethodBusy);
  // A job whose result files are not all there has not done its work.
  return WithFilesNotWritten(RunTreeEngine(DecisionTreeArguments(p), p.method, p.mValues, source,
                                           report, progress, result),
                             result.warnings);
}

}  // namespace quarry::pruning
