#pragma once
// Regression k-fold cross-validation: the table is partitioned into K folds; a model tree grown
// on each fold's complement (and, with a pruning setting, pruned as the model-tree job does) is
// measured on the fold. Each fold's result line is appended to "risultati.txt" in the working
// folder; the fold tables are dropped at the end.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"
#include "core/modeltree/model_tree_job.h"

namespace quarry {
class DataSource;
}

namespace quarry::modeltree {

// The progress step of the folds: Update(kFoldsDone, i, K) as fold i starts.
inline constexpr const char* kFoldsDone = "folds done";

struct RegressionCvParams {
  std::string table;
  int folds = 10;
  StrataParameters strata;
  PruneMode prune = PruneMode::kNone;  // with a setting, each complement is split and pruned
  int growingPercent = 70;
};

struct FoldResult {
  float rmse = 0.0f;     // root mean square error on the fold
  float ratio = 0.0f;    // SSres / Syy on the fold (SSres when the fold's target has no spread)
  std::string line;      // "Tree" + fold + the two numbers in exponent text
  std::string treeBase;  // base name of the fold's tree and rules files
};

struct CvSummary {
  double rmseMean = 0.0;
  double rmseSpread = 0.0;  // mean squared deviation from the mean
  double ratioMean = 0.0;
  double ratioSpread = 0.0;
  std::string text;  // "MSE:  m ± s\nSSres/Syy:  m ± s" in exponent text
};

struct RegressionCvOutcome {
  std::vector<FoldResult> grown;
  std::vector<FoldResult> pruned;  // empty without a pruning setting
  CvSummary grownSummary;
  CvSummary prunedSummary;
  std::filesystem::path resultsFile;
  std::vector<std::string> leftTables;  // work tables that could not be dropped
  // Why each result file (a fold's tree, rules or model file, the results file) that could not
  // be written was not: the run went on and its figures stand, but it has not done its work.
  std::vector<std::string> notWritten;
};

// "Tree" + fold + five spaces + RMS error + five spaces + ratio, numbers in exponent text.
std::string FoldResultLine(int fold, float rmse, float ratio);
CvSummary Summarize(const std::vector<FoldResult>& folds);

// K must be at least 2 and at most the table's row count.
Expected<RegressionCvOutcome> RunRegressionCV(DataSource& source, const RegressionCvParams& params,
                                              std::ostream& report,
                                              Progress& progress = NoProgress());

}  // namespace quarry::modeltree
