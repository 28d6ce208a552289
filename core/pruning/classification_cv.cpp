#include "core/pruning/classification_cv.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <sstream>

#include "core/common/fcvt.h"
#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/data/sql_quote.h"
#include "core/data/table_split.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"
#include "core/jobs/job_thread.h"
#include "core/pruning/pruning_tables.h"

namespace quarry::pruning {

namespace {

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// The companion tables partitioned like the training table.
std::vector<std::string> Companions(const ClassificationCvParameters& p) {
  const std::string& t = p.tree.table;
  const int method = p.tree.method;
  std::vector<std::string> tables;
  // The fold-table methods need the pruning table too: the engine looks for it.
  if (NeedsPruningTable(method)) tables.push_back(PruningTableName(t));
  if (UsesTrainingHalves(method)) tables.push_back(SecondHalfName(t));
  if (p.tree.unseen) tables.push_back(TestTableName(t, method));
  return tables;
}

bool NamesOneOf(const SqlDialect& dialect, const std::string& name,
                const std::vector<std::string>& names) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return dialect.SameName(n, name); });
}

void AddPartition(std::vector<std::string>& tables, const std::string& table, int k) {
  for (int i = 0; i < k; ++i) tables.push_back(FoldTableName(table, i));
  for (int i = 0; i < k; ++i) tables.push_back(ComplementTableName(table, i));
}

long RowCount(DataSource& source, const std::string& table) {
  ExclusiveUse exclusive(source);
  std::vector<std::string> row;
  if (!source.Query("select count(*) from " + QuoteIdent(table)) || !source.FirstRow(row) ||
      row.empty()) {
    return -1;
  }
  return std::atol(row[0].c_str());
}

Status Execute(DataSource& source, const std::string& sql) {
  if (source.Execute(sql)) return Status::Ok();
  return DatabaseError(source.LastError());
}

// The name the ten-way partition of fold i's training table gives its parts: a name of their
// own, for the training table's own name followed by a digit is another fold's training table.
std::string FoldPairPartsName(const std::string& training) { return BaseName(training) + "_part"; }

// The ten fold pairs the error complexity methods look for under the base name of fold i's
// training table: a ten-way partition of that table, copied to base_xt1.., base_xs1...
Status MakeFoldPairs(DataSource& source, const std::string& training, Rand& rand) {
  PartitionOptions options;
  options.parts = FoldPairPartsName(training);
  options.emptyFolds = true;
  if (Status s = PartitionTable(source, kFoldPairs, training, rand, NoProgress(), options); !s.ok())
    return s;
  const std::string base = BaseName(training);
  for (int v = 1; v <= kFoldPairs; ++v) {
    const std::string pairs[2][2] = {
        {FoldTrainingName(base, v), ComplementTableName(options.parts, v - 1)},
        {FoldTestName(base, v), FoldTableName(options.parts, v - 1)}};
    for (const auto& [to, from] : pairs) {
      if (Status s =
              Execute(source, "select * into " + QuoteIdent(to) + " from " + QuoteIdent(from));
          !s.ok()) {
        return s;
      }
    }
  }
  return Status::Ok();
}

// Fold i's whole training set of the iterative method: its two halves' parts together.
Status MakeWholeTraining(DataSource& source, const std::string& t, int i) {
  const std::string whole = WholeTrainingName(ComplementTableName(t, i));
  if (Status s = Execute(source, "select * into " + QuoteIdent(whole) + " from " +
                                     QuoteIdent(ComplementTableName(t, i)));
      !s.ok()) {
    return s;
  }
  return Execute(source, "insert into " + QuoteIdent(whole) + " select * from " +
                             QuoteIdent(ComplementTableName(SecondHalfName(t), i)));
}

Status MakeTables(const ClassificationCvParameters& p, DataSource& source, Rand& rand) {
  ExclusiveUse exclusive(source);
  const std::string& t = p.tree.table;
  if (Status s = PartitionTable(source, p.folds, t, rand); !s.ok()) return s;
  for (const std::string& companion : Companions(p)) {
    if (Status s = PartitionTable(source, p.folds, companion, rand); !s.ok()) return s;
  }
  for (int i = 0; i < p.folds; ++i) {
    if (NeedsFoldTables(p.tree.method)) {
      if (Status s = MakeFoldPairs(source, ComplementTableName(t, i), rand); !s.ok()) return s;
    }
    if (UsesTrainingHalves(p.tree.method)) {
      if (Status s = MakeWholeTraining(source, t, i); !s.ok()) return s;
    }
  }
  return Status::Ok();
}

}  // namespace

std::vector<std::string> CrossValidationTables(const ClassificationCvParameters& p) {
  const std::string& t = p.tree.table;
  std::vector<std::string> tables;
  AddPartition(tables, t, p.folds);
  for (const std::string& companion : Companions(p)) AddPartition(tables, companion, p.folds);
  for (int i = 0; i < p.folds; ++i) {
    const std::string training = ComplementTableName(t, i);
    if (NeedsFoldTables(p.tree.method)) {
      AddPartition(tables, FoldPairPartsName(training), kFoldPairs);
      const std::string base = BaseName(training);
      for (int v = 1; v <= kFoldPairs; ++v) {
        tables.push_back(FoldTrainingName(base, v));
        tables.push_back(FoldTestName(base, v));
      }
    }
    if (UsesTrainingHalves(p.tree.method)) tables.push_back(WholeTrainingName(training));
  }
  return tables;
}

Status CheckCrossValidation(const ClassificationCvParameters& p, DataSource& source) {
  const std::string& t = p.tree.table;
  if (t.empty()) return InvalidArgument("Please, select table");
  // The folds' trees are named after the longest of the tables they grow from.
  if (Status s = CheckTableName(ComplementTableName(t, std::max(p.folds - 1, 0))); !s.ok()) {
    return s;
  }
  const int method = p.tree.method;
  if (!FindPruningMethod(method)) {
    return InvalidArgument("pruning method " + std::to_string(method) + " does not exist");
  }
  const bool halves = UsesTrainingHalves(method);
  if (!Contains(t, "_data") && !Contains(t, "_train1")) {
    return InvalidArgument("Please, select a *_train1 or *_data table");
  }
  if (!Contains(t, halves ? "_train1" : "_data")) {
    return InvalidArgument(halves ? "the iterative method needs a *_train1 table"
                                  : "this pruning method needs a *_data table");
  }
  std::vector<std::string> catalog;
  if (!source.ListTables(catalog))
    return DatabaseError("cannot list the tables: " + source.LastError());
  auto exists = [&](const std::string& name) {
    return NamesOneOf(source.Dialect(), name, catalog);
  };
  if (!exists(t)) return NotFound("the table " + t + " does not exist");
  if (NeedsPruningTable(method) && !exists(PruningTableName(t))) {
    return NotFound("you need the *_prune table");
  }
  if (halves && !exists(SecondHalfName(t))) return NotFound("you need the *_train2 table");
  if (p.tree.unseen && !exists(TestTableName(t, method))) {
    return NotFound("you need the *_test table (" + TestTableName(t, method) +
                    ") to evaluate on unseen cases");
  }
  if (p.folds < 2) return InvalidArgument("K fold must be 2 or more");
  for (const std::string& table : [&] {
         std::vector<std::string> partitioned = {t};
         for (const std::string& c : Companions(p)) partitioned.push_back(c);
         return partitioned;
       }()) {
    const long rows = RowCount(source, table);
    if (rows < 0)
      return DatabaseError("cannot count the rows of " + table + ": " + source.LastError());
    if (rows < p.folds) {
      return InvalidArgument("K fold (" + std::to_string(p.folds) + ") is more than the " +
                             std::to_string(rows) + " rows of " + table +
                             ": every fold needs a row");
    }
  }
  // The job drops every table it makes: it must not take over one of the user's, nor make one
  // twice.
  const std::vector<std::string> made = CrossValidationTables(p);
  for (size_t i = 0; i < made.size(); ++i) {
    const std::string& name = made[i];
    if (NamesOneOf(source.Dialect(), name, {made.begin(), made.begin() + static_cast<long>(i)})) {
      return InvalidArgument("the cross-validation would make two tables named " + name +
                             ": rename the table " + t);
    }
    if (exists(name)) {
      return InvalidArgument("the table " + name +
                             " exists already; the cross-validation makes and drops a table of "
                             "that name: rename or drop it first");
    }
  }
  return Status::Ok();
}

Status ClassificationCrossValidation(const ClassificationCvParameters& p, DataSource& source,
                                     std::ostream& report, Progress& progress,
                                     ClassificationCvResult& result) {
  result = ClassificationCvResult();
  EngineClaim engine;
  if (!engine.Taken()) return Status(StatusCode::kBusy, kMethodBusy);
  // The tables a run that was killed left go first: they would stand in the way.
  WorkTables work(source);
  if (Status s = work.DropLeftovers(); !s.ok()) return s;
  if (!work.LeftoversDropped().empty()) report << LeftoversText(work.LeftoversDropped()) << "\n";
  if (Status s = CheckCrossValidation(p, source); !s.ok()) return s;
  if (Status s = work.Claim(CrossValidationTables(p)); !s.ok()) return s;

  Status status;
  progress.Update("cross validation", 0, p.folds);
  Rand rand;
  status = MakeTables(p, source, rand);
  // The tables are all made, the random draws with them: the folds' trees grow independently,
  // as many at once as there are processors. Each fold's report is kept and shown in fold order.
  struct Fold {
    std::ostringstream report;
    InductionResult result;
    Status status;
    bool ran = false;
  };
  std::vector<Fold> folds(static_cast<size_t>(p.folds));
  std::mutex progressLock;
  const std::vector<std::string> baseArgs = CrossValidationArguments(p.tree);
  // One at a time, a fold writes straight into the report, so the workbench shows it as it grows.
  const bool oneAtATime = ParallelJobs() <= 1;
  auto grow = [&](int i) {
    Fold& fold = folds[static_cast<size_t>(i)];
    SerialProgress shared(progress, progressLock);
    if (shared.Cancelled()) return;
    fold.ran = true;
    shared.Update("tree number", i + 1, p.folds);
    std::vector<std::string> args = baseArgs;
    args[2] = ComplementTableName(p.tree.table, i);
    // Each fold's trees are judged on the fold left out of their training, the cases they
    // never saw; the engine's own evaluation (training or test cases) stays in its report.
    std::ostream& foldReport = oneAtATime ? report : fold.report;
    fold.status = RunTreeEngine(args, p.tree.method, p.tree.mValues, source, foldReport, shared,
                                fold.result, FoldTableName(p.tree.table, i));
  };
  auto take = [&](int i) {
    Fold& fold = folds[static_cast<size_t>(i)];
    report << fold.report.str();
    fold.report.str(std::string());
    if (!fold.ran) {
      status = Cancelled("the cross-validation was stopped");
      return false;
    }
    if (!fold.status.ok()) {
      status = Status(fold.status.code(),
                      "fold " + std::to_string(i + 1) + ": " + fold.status.message());
      return false;
    }
    const InductionResult& r = fold.result;
    result.folds.push_back({r.heldOutRawErrors, r.heldOutPrunedErrors, r.heldOutCases});
    result.warnings.insert(result.warnings.end(), r.warnings.begin(), r.warnings.end());
    return true;
  };
  if (status.ok()) RunInOrder(p.folds, grow, take);
  const std::vector<std::string> left = work.DropAll();
  if (!left.empty()) {
    std::string note = "these tables could not be dropped:";
    for (const std::string& name : left) note += " " + name;
    status =
        status.ok() ? DatabaseError(note) : Status(status.code(), status.message() + "\n" + note);
  }
  if (result.folds.size() == static_cast<size_t>(p.folds)) {
    for (const FoldErrors& fold : result.folds) {
      result.meanRaw += fold.raw;
      result.meanPruned += fold.pruned;
    }
    result.meanRaw /= p.folds;
    result.meanPruned /= p.folds;
  }
  // The figures of folds that all ran stand, but a job whose files are not all there has not
  // done its work.
  return WithFilesNotWritten(status, result.warnings);
}

std::string FoldLine(int fold, int errors, int cases) {
  const double ratio = cases > 0 ? static_cast<double>(errors) / cases : 0.0;
  return Format("tree %d: %d misclassified of %d, ratio ", fold, errors, cases) +
         ExponentText(ratio);
}

std::string MeanRawText(double mean) { return " Mean Error on Raw Trees" + ExponentText(mean); }

std::string MeanPrunedText(double mean) {
  return "\n Mean Error on Pruned Trees" + ExponentText(mean);
}

}  // namespace quarry::pruning
