#include "core/modeltree/regression_cv.h"

#include <cmath>

#include "core/common/fcvt.h"
#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/data/table_split.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"

namespace quarry::modeltree {

namespace {

constexpr const char* kPlusMinus = "\xC2\xB1";  // U+00B1

FoldResult MakeResult(int fold, const ErrorMeasures& errors, const std::string& treeBase) {
  FoldResult result;
  // Kept as 32-bit floats, Syy included, as the fold arrays hold them.
  const float syy = static_cast<float>(errors.syy);
  result.rmse = static_cast<float>(std::sqrt(errors.ssRes / errors.n));
  result.ratio = static_cast<float>(syy != 0.0f ? errors.ssRes / syy : errors.ssRes);
  result.line = FoldResultLine(fold, result.rmse, result.ratio);
  result.treeBase = treeBase;
  return result;
}

}  // namespace

std::string FoldResultLine(int fold, float rmse, float ratio) {
  return "Tree" + std::to_string(fold) + "     " + ExponentText(rmse) + "     " +
         ExponentText(ratio);
}

CvSummary Summarize(const std::vector<FoldResult>& folds) {
  CvSummary summary;
  if (folds.empty()) return summary;
  const double k = static_cast<double>(folds.size());
  for (const FoldResult& f : folds) {
    summary.rmseMean += f.rmse;
    summary.ratioMean += f.ratio;
  }
  summary.rmseMean /= k;
  summary.ratioMean /= k;
  for (const FoldResult& f : folds) {
    summary.rmseSpread += (f.rmse - summary.rmseMean) * (f.rmse - summary.rmseMean);
    summary.ratioSpread += (f.ratio - summary.ratioMean) * (f.ratio - summary.ratioMean);
  }
  summary.rmseSpread /= k;
  summary.ratioSpread /= k;
  summary.text = "MSE:  " + ExponentText(summary.rmseMean) + " " + kPlusMinus + " " +
                 ExponentText(summary.rmseSpread) + "\n" +
                 "SSres/Syy:  " + ExponentText(summary.ratioMean) + " " + kPlusMinus + " " +
                 ExponentText(summary.ratioSpread);
  return summary;
}

Expected<RegressionCvOutcome> RunRegressionCV(DataSource& source, const RegressionCvParams& params,
                                              std::ostream& report, Progress& progress) {
  if (params.table.empty()) return InvalidArgument("Please, select table");
  if (Status s = CheckTableName(params.table); !s.ok()) return s;
  if (Status s = Validate(params.strata); !s.ok()) return s;
  const PruneMode mode = params.prune;
  const bool pruning = mode != PruneMode::kNone;
  if (pruning && (params.growingPercent < 1 || params.growingPercent > 99)) {
    return InvalidArgument("the growing set must be between 1 and 99 percent of the table");
  }
  DataSourceUser user(source);
  auto rows = TableRows(source, params.table);
  if (!rows) return rows.status();
  const int k = params.folds;
  if (*rows < 2) {
    return InvalidArgument("table " + params.table + " has " + std::to_string(*rows) +
                           " rows; cross-validation needs at least 2");
  }
  if (k < 2 || k > *rows) {
    return InvalidArgument("the number of folds must be between 2 and " + std::to_string(*rows) +
                           " (the rows of " + params.table + ")");
  }

  WorkTables work(source);
  std::vector<std::string> names;
  for (int i = 0; i < k; ++i) {
    const std::string complement = ComplementTableName(params.table, i);
    names.push_back(FoldTableName(params.table, i));
    names.push_back(complement);
    if (pruning) {
      names.push_back(complement + "Grown");
      names.push_back(complement + "Prune");
    }
  }
  if (Status s = work.Claim(names); !s.ok()) return s;
  Rand rand;
  if (Status s = PartitionTable(source, k, params.table, rand, progress); !s.ok()) return s;
  if (Status s = EnsureWorkingFolder(); !s.ok()) return s;

  RegressionCvOutcome outcome;
  outcome.resultsFile = WorkingFile("risultati.txt");
  for (int i = 0; i < k; ++i) {
    progress.Update(kFoldsDone, i, k);
    if (progress.Cancelled()) return Cancelled("the cross-validation was cancelled");
    const std::string fold = FoldTableName(params.table, i);
    const std::string complement = ComplementTableName(params.table, i);
    ModelTreeEngine engine(source, params.strata, report, progress);
    if (!pruning) {
      auto grown = engine.RunModelTree(complement, complement);
      if (!grown) return grown.status();
      auto errors = engine.Evaluate(*engine.Grown(), fold);
      if (!errors) return errors.status();
      outcome.grown.push_back(MakeResult(i, *errors, complement));
      continue;
    }
    const std::string growTable = complement + "Grown";
    const std::string pruneTable = complement + "Prune";
    if (Status s = SplitTable(source, complement, growTable, pruneTable, params.growingPercent,
                              rand, progress);
        !s.ok()) {
      return s;
    }
    auto grown = engine.RunModelTree(growTable, growTable);
    if (!grown) return grown.status();
    auto pruned = PruneGrownTree(engine, mode, complement, growTable, pruneTable);
    if (!pruned) return pruned.status();
    auto grownErrors = engine.Evaluate(*engine.Grown(), fold);
    if (!grownErrors) return grownErrors.status();
    auto prunedErrors = engine.Evaluate(*engine.Pruned(), fold);
    if (!prunedErrors) return prunedErrors.status();
    outcome.grown.push_back(MakeResult(i, *grownErrors, growTable));
    outcome.pruned.push_back(MakeResult(i, *prunedErrors, pruned->baseName));
  }
  // The folds' lines join the results file together, once the run is complete: a run that fails
  // or is stopped adds no part of its results.
  std::string lines;
  for (size_t i = 0; i < outcome.grown.size(); ++i) {
    lines += outcome.grown[i].line + "\n";
    if (pruning) lines += outcome.pruned[i].line + "\n";
  }
  if (Status s = AppendToResultFile(outcome.resultsFile, lines); !s.ok()) return s;
  outcome.grownSummary = Summarize(outcome.grown);
  outcome.prunedSummary = Summarize(outcome.pruned);
  outcome.leftTables = work.DropAll();
  return outcome;
}

}  // namespace quarry::modeltree
