#pragma once
// The decision-tree job, above the engine: parse the options, check the job's tables, load the
// training table, grow (one tree, or trials of windowing), prune with the job's method, write the
// tree and rules files, and evaluate on the training (and test) cases.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/trial_evaluation.h"

namespace quarry {
class DataSource;
}

namespace quarry::dtree {
class InductionEngine;
}

namespace quarry::pruning {

struct InductionResult {
  int rawErrors = 0;       // errors of the best raw tree (on the test cases when evaluated there)
  int prunedErrors = 0;    // the same for its pruned tree
  int evaluatedCases = 0;  // the cases those counts are taken over
  float errorRate = 0;     // rawErrors over the raw tree's training weight
  int leafCount = 0;       // leaves of the pruned tree
  // The same counts on the held-out table a caller names (a cross-validation's left-out fold).
  int heldOutRawErrors = 0;
  int heldOutPrunedErrors = 0;
  int heldOutCases = 0;
  int bestTrial = 0;
  // The best trial's lines of the report's evaluation on the training and the test data.
  dtree::TreeEvaluation training;
  std::optional<dtree::TreeEvaluation> test;
  std::vector<std::filesystem::path> files;  // the files written, in order
  std::vector<std::string> warnings;         // files that could not be written, and why
};

// The evaluation lines as a window shows them, one per evaluated table, for example
// "Training data (14 items): before pruning size 8, 0 errors (0.0%); after pruning size 8,
// 0 errors (0.0%), estimate 38.5%".
std::string EvaluationSummary(const InductionResult& result);

// The message of a job whose tables are not all there.
inline constexpr const char* kTablesMissing = "error, not all tables are availables";

// The tables a job with training table `stem` and pruning-method code `mode` needs besides the
// training table itself, or the reason the name cannot serve.
struct JobTables {
  std::vector<std::string> required;
  std::string test;     // the unseen cases
  std::string problem;  // why the stem does not fit the mode; empty when it does
};
JobTables TablesForJob(const std::string& stem, int mode);

// Loads the attributes and cases of the training table `stem` for growing (weights 1, nothing
// grown yet). Fails with kInvalidArgument for a table without rows or without an attribute
// column, kDatabase when its rows cannot be read.
Status LoadTrainingTable(dtree::InductionEngine& engine, const std::string& stem,
                         DataSource& source);

// Runs the engine with the option vector `args` (args[0] is a program name), the pruning-method
// code `mode` and the m-value text `mValues` on `source`. Failures: kFatal for illegal options
// (message written to the report too), kNotFound (kTablesMissing and the missing names) when the
// job's tables are not there, kInvalidArgument for a training table without rows or without an
// attribute column, kCancelled when the progress asked to stop; nothing is written in any of
// these cases. With `heldOutTable`, the best raw and pruned trees also classify that table's
// cases, which neither growing nor pruning saw (the held-out counts of the result).
Status RunInduction(dtree::InductionEngine& engine, const std::vector<std::string>& args, int mode,
                    const std::string& mValues, DataSource& source, InductionResult& result,
                    const std::string& heldOutTable = {});

}  // namespace quarry::pruning
