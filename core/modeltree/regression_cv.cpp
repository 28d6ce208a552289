#include "core/modeltree/regression_cv.h"

#include <cmath>
#include <mutex>
#include <sstream>

#include "core/common/fcvt.h"
#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/data/table_split.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"
#include "core/jobs/job_thread.h"

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
  if (Status s = work.DropLeftovers(); !s.ok()) return s;
  if (!work.LeftoversDropped().empty()) report << LeftoversText(work.LeftoversDropped()) << "\n";
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
  // Every split is made first, in fold order, with the random draws a loop making each before
  // its fold's tree would take: the folds' trees then grow independently, as many at once as
  // there are processors. Each fold's report is kept and shown in fold order.
  for (int i = 0; pruning && i < k; ++i) {
    if (progress.Cancelled()) return Cancelled("the cross-validation was cancelled");
    const std::string complement = ComplementTableName(params.table, i);
    if (Status s = SplitTable(source, complement, complement + "Grown", complement + "Prune",
                              params.growingPercent, rand, progress);
        !s.ok()) {
      return s;
    }
  }
  struct Fold {
    std::ostringstream report;
    Status status;
    bool ran = false;
    FoldResult grown;
    FoldResult pruned;
    std::vector<std::string> notWritten;
  };
  std::vector<Fold> folds(static_cast<size_t>(k));
  std::mutex progressLock;
  auto grow = [&](int i) -> void {
    Fold& f = folds[static_cast<size_t>(i)];
    SerialProgress shared(progress, progressLock);
    shared.Update(kFoldsDone, i, k);
    if (shared.Cancelled()) return;
    f.ran = true;
    f.status = [&]() -> Status {
      const std::string fold = FoldTableName(params.table, i);
      const std::string complement = ComplementTableName(params.table, i);
      ModelTreeEngine engine(source, params.strata, f.report, shared);
      if (!pruning) {
        auto grown = engine.RunModelTree(complement, complement);
        if (!grown) return grown.status();
        auto errors = engine.Evaluate(*engine.Grown(), fold);
        if (!errors) return errors.status();
        f.grown = MakeResult(i, *errors, complement);
        f.notWritten = grown->notWritten;
        return Status::Ok();
      }
      const std::string growTable = complement + "Grown";
      const std::string pruneTable = complement + "Prune";
      auto grown = engine.RunModelTree(growTable, growTable);
      if (!grown) return grown.status();
      auto pruned = PruneGrownTree(engine, mode, complement, growTable, pruneTable);
      if (!pruned) return pruned.status();
      auto grownErrors = engine.Evaluate(*engine.Grown(), fold);
      if (!grownErrors) return grownErrors.status();
      auto prunedErrors = engine.Evaluate(*engine.Pruned(), fold);
      if (!prunedErrors) return prunedErrors.status();
      f.grown = MakeResult(i, *grownErrors, growTable);
      f.pruned = MakeResult(i, *prunedErrors, pruned->baseName);
      f.notWritten = grown->notWritten;
      f.notWritten.insert(f.notWritten.end(), pruned->notWritten.begin(), pruned->notWritten.end());
      return Status::Ok();
    }();
  };
  Status failed;
  auto take = [&](int i) {
    Fold& f = folds[static_cast<size_t>(i)];
    report << f.report.str();
    f.report.str(std::string());
    if (!f.ran) {
      failed = Cancelled("the cross-validation was cancelled");
      return false;
    }
    if (!f.status.ok()) {
      failed = f.status;
      return false;
    }
    outcome.grown.push_back(std::move(f.grown));
    if (pruning) outcome.pruned.push_back(std::move(f.pruned));
    outcome.notWritten.insert(outcome.notWritten.end(), f.notWritten.begin(), f.notWritten.end());
    return true;
  };
  RunInOrder(k, grow, take);
  if (!failed.ok()) return failed;
  // The folds' lines join the results file together, once the run is complete: a run that fails
  // or is stopped adds no part of its results.
  std::string lines;
  for (size_t i = 0; i < outcome.grown.size(); ++i) {
    lines += outcome.grown[i].line + "\n";
    if (pruning) lines += outcome.pruned[i].line + "\n";
  }
  if (Status s = AppendToResultFile(outcome.resultsFile, lines); !s.ok())
    outcome.notWritten.push_back(s.message());
  outcome.grownSummary = Summarize(outcome.grown);
  outcome.prunedSummary = Summarize(outcome.pruned);
  outcome.leftTables = work.DropAll();
  return outcome;
}

}  // namespace quarry::modeltree
