#include "core/pruning/pruning_comparison.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "core/dtree/classification.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/soft_thresholds.h"
#include "core/dtree/tree_growing.h"
#include "core/jobs/job_thread.h"
#include "core/pruning/prune_tree.h"
#include "core/pruning/pruning_error_counter.h"
#include "core/pruning/pruning_share.h"
#include "core/pruning/pruning_tables.h"
#include "core/treefiles/decision_rules_writer.h"
#include "core/treefiles/decision_tree_writer.h"
#include "core/treefiles/model_file.h"
#include "core/treefiles/tree_file_names.h"

namespace quarry::pruning {

using dtree::CaseSet;
using dtree::InductionEngine;
using dtree::LeafVote;
using dtree::TreeNode;

namespace {

bool InCatalog(const std::vector<std::string>& catalog, const std::string& table) {
  return std::find(catalog.begin(), catalog.end(), table) != catalog.end();
}

// The iterative method's halves and whole training set for the comparison of B_data.
std::string FirstHalf(const std::string& stem) { return BaseName(stem) + "_train1"; }

std::vector<std::string> TablesOfMethod(const std::string& stem, int code) {
  if (UsesTrainingHalves(code)) {
    const std::string first = FirstHalf(stem);
    return {first, SecondHalfName(first), WholeTrainingName(first)};
  }
  return TablesForJob(stem, code).required;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Errors of `tree` on cases held outside the engine, classified with `engine`'s work arrays.
TableErrors CountErrors(InductionEngine& engine, const TableRead& read, const TreeNode& tree,
                        LeafVote vote) {
  // Each case's path followed once through a packed copy of the tree's tests.
  PruningErrorCounter counter(engine, tree, read.cases.Item, vote);
  return {read.table, counter.Errors(tree), read.cases.MaxItem + 1};
}

// Reads `table` as a method would load it, keeping its cases and messages (written into the
// report as well); a table without rows holds no case.
Status ReadTable(InductionEngine& engine, const std::string& table, DataSource& source,
                 TableRead& read) {
  int code = 0;
  read.table = table;
  read.messages = KeepingReport(engine.Report(), [&] { code = engine.LoadCases(table, source); });
  if (code == 2) {
    return DatabaseError("cannot read the rows of " + table + ": " + engine.Cases.LastLoadError());
  }
  engine.Cases.ExchangeCases(read.cases);
  return Status::Ok();
}

// Loads `table` as the training table, keeping its cases as read (and what reading them wrote
// into the report) for the methods that read it again.
Status LoadTraining(InductionEngine& engine, const std::string& table, DataSource& source,
                    TableRead& read) {
  Status loaded;
  read.table = table;
  read.messages =
      KeepingReport(engine.Report(), [&] { loaded = LoadTrainingTable(engine, table, source); });
  if (!loaded.ok()) return loaded;
  read.cases = engine.Cases.CopyCases();
  return Status::Ok();
}

// Whether reading a table against attribute tables `a` and `b` gives the same cases and
// messages.
bool SameReading(const dtree::AttributeTable& a, const dtree::AttributeTable& b) {
  return a.MaxAtt == b.MaxAtt && a.MaxClass == b.MaxClass && a.AttName == b.AttName &&
         a.ValueCount == b.ValueCount && a.ValueName == b.ValueName && a.Status == b.Status &&
         a.ClassName == b.ClassName;
}

// The continuity-corrected training errors pessimistic pruning judges a tree by: the errors at
// its leaves plus one half per leaf, over its cases.
double PessimisticEstimate(const TreeNode& tree) {
  double errors = 0;
  int leaves = 0;
  auto walk = [&](auto& self, const TreeNode& node) -> void {
    if (node.IsLeaf()) {
      errors += node.Errors() + 0.5;
      ++leaves;
      return;
    }
    for (int v = 1; v <= node.Forks; ++v) self(self, node.Child(v));
  };
  walk(walk, tree);
  return tree.Items() > 0 ? 100.0 * errors / tree.Items() : 0.0;
}

void Measure(ComparisonRow& row, const TreeNode& tree) {
  row.leaves = dtree::LeafCount(tree);
  row.depth = dtree::TreeDepth(tree);
}

// Files a method wrote, and those it could not write, and why.
struct FilesWritten {
  std::vector<std::filesystem::path> files;
  std::vector<std::string> warnings;
};

// The tree and rules files, and beside the tree file its model file, whose leaves vote as the
// row's counts take them, so that the tree can be applied.
void WriteTreeFiles(ComparisonRow& row, const TreeNode& tree, const InductionEngine& engine,
                    const std::string& baseName, FilesWritten& written,
                    LeafVote vote = LeafVote::kDistribution) {
  auto record = [&](const Status& status, const std::filesystem::path& path) {
    if (status.ok()) {
      written.files.push_back(path);
    } else {
      written.warnings.push_back(status.message());
    }
  };
  row.treeFile = treefiles::TreeFilePath(baseName);
  row.rulesFile = treefiles::RulesFilePath(baseName);
  const Status treeWritten =
      treefiles::WriteDecisionTree(tree, engine.Att(), engine.Options.MINOBJS, baseName);
  record(treeWritten, row.treeFile);
  if (treeWritten.ok()) {
    const Status model = treefiles::WriteDecisionModelFile(tree, engine.Att(), vote,
                                                           treefiles::ModelFileFor(row.treeFile));
    if (!model.ok()) written.warnings.push_back(model.message());
  }
  record(treefiles::WriteDecisionRules(tree, engine.Att(), baseName), row.rulesFile);
}

// Marks the row with the fewest test errors (then fewest leaves) and the smallest tree whose
// test errors lie within one standard error of that count.
void MarkBest(std::vector<ComparisonRow>& rows) {
  ComparisonRow* best = nullptr;
  for (ComparisonRow& row : rows) {
    if (row.outcome != RowOutcome::kPruned || !row.test.Counted() || row.test.cases == 0) continue;
    if (best == nullptr || row.test.errors < best->test.errors ||
        (row.test.errors == best->test.errors && row.leaves < best->leaves)) {
      best = &row;
    }
  }
  if (best == nullptr) return;
  best->best = true;
  const double e = best->test.errors;
  const double n = best->test.cases;
  const double se = std::sqrt(e * (n - e) / n);
  ComparisonRow* smallest = best;
  for (ComparisonRow& row : rows) {
    if (row.outcome != RowOutcome::kPruned || !row.test.Counted()) continue;
    if (row.test.errors > e + se) continue;
    if (row.leaves < smallest->leaves ||
        (row.leaves == smallest->leaves && row.test.errors < smallest->test.errors)) {
      smallest = &row;
    }
  }
  smallest->withinOneSE = true;
}

// The comparison's pruning and test tables as read against `attributes`, once they are (null
// until then).
struct SharedReads {
  const dtree::AttributeTable& attributes;
  std::function<const std::vector<TableRead>*()> readsIfDone;
};

// The iterative method: its own tree grown on B_train1, pruned with the halves, counted on
// B_train (its whole training set) and on the comparison's pruning and test tables, all read
// against B_train1's attributes in an engine of its own. B_train1 is read from the database
// once; the pruning and test tables are the comparison's where it has read them already against
// attributes that read them alike.
Status RunIterative(const dtree::InductionOptions& options, std::ostream& report,
                    Progress& progress, const std::string& stem,
                    const std::vector<std::string>& countedOn, const SharedReads& shared,
                    DataSource& source, ComparisonRow& row, std::unique_ptr<TreeNode>& pruned,
                    FilesWritten& written) {
  InductionEngine engine(report, progress);
  engine.Options = options;
  const std::string first = FirstHalf(stem);
  engine.Options.FileName = first;
  std::vector<TableRead> firstRead(1);
  if (Status s = LoadTraining(engine, first, source, firstRead[0]); !s.ok()) return s;
  std::unique_ptr<TreeNode> grown = dtree::GrowNewTree(engine, 0, engine.MaxItem());
  PruningShare share;
  share.tables = &firstRead;
  if (Status s =
          PruneTree(engine, *pruned, kIterativeGrowingPruning, *grown, first, source, "", &share);
      !s.ok()) {
    return s;
  }
  // The files hold the tree as pruned; the figures are those of the softened tree, as in the job.
  WriteTreeFiles(row, *pruned, engine, stem + "_" + row.name, written, LeafVote::kWholeCase);
  if (engine.Options.PROBTHRESH) dtree::SoftenThresholds(engine, *pruned);
  row.training = {
      WholeTrainingName(first),
      PruningErrorCounter(engine, *pruned, engine.Cases.Item, LeafVote::kWholeCase).Errors(*pruned),
      engine.MaxItem() + 1};
  const std::vector<TableRead>* readAlready =
      SameReading(engine.Att(), shared.attributes) ? shared.readsIfDone() : nullptr;
  TableErrors* counted[] = {&row.prune, &row.test};
  for (size_t t = 0; t < countedOn.size(); ++t) {
    if (countedOn[t].empty()) continue;
    TableRead read;
    const TableRead* cases = FindTableRead(readAlready, countedOn[t]);
    if (cases != nullptr) {
      report << cases->messages;
    } else {
      if (Status s = ReadTable(engine, countedOn[t], source, read); !s.ok()) return s;
      cases = &read;
    }
    *counted[t] = CountErrors(engine, *cases, *pruned, LeafVote::kWholeCase);
  }
  Measure(row, *pruned);
  row.message = "grown on " + first;
  return Status::Ok();
}

}  // namespace

std::string MissingForMethod(const std::string& stem, int code, const std::string& mValues,
                             const std::vector<std::string>& catalog) {
  std::vector<std::string> missing;
  for (const std::string& table : TablesOfMethod(stem, code)) {
    if (!InCatalog(catalog, table)) missing.push_back(table);
  }
  if (!missing.empty()) {
    std::string text = "needs " + missing[0];
    for (size_t i = 1; i < missing.size() && i < 3; ++i) text += ", " + missing[i];
    if (missing.size() > 3) text += Format(" and %zu more", missing.size() - 3);
    return text;
  }
  if (code == kMinimumErrorPruning && Trim(mValues).empty()) return "needs m values";
  return {};
}

Status ComparePruningMethods(const ComparisonParameters& p, DataSource& source,
                             std::ostream& report, Progress& progress, ComparisonResult& result) {
  result = ComparisonResult();
  EngineClaim claim;
  if (!claim.Taken()) return Busy(kMethodBusy);

  DecisionTreeParameters options = p.tree;
  options.windowing = false;
  options.method = kStandardPrune;
  // Pieces of the job may run at once: they report progress one call at a time.
  std::mutex progressLock;
  SerialProgress jobProgress(progress, progressLock);
  InductionEngine engine(report, jobProgress);
  if (Status s =
          dtree::ParseInductionOptions(DecisionTreeArguments(options), engine.Options, report);
      !s.ok()) {
    return s;
  }
  const std::string stem = engine.Options.FileName;
  if (Status s = CheckTableName(stem); !s.ok()) return s;

  std::vector<std::string> catalog;
  if (!source.ListTables(catalog))
    return DatabaseError("cannot list the tables: " + source.LastError());
  if (stem.find("_data") == std::string::npos) {
    return NotFound(std::string(kTablesMissing) + "\nthe training table's name must contain _data");
  }
  if (!InCatalog(catalog, stem))
    return NotFound(std::string(kTablesMissing) + "\nnot in the database: " + stem);
  // The pruning and test tables every tree is counted on, where they exist.
  std::vector<std::string> countedOn = {PruningTableName(stem),
                                        TestTableName(stem, kStandardPrune)};
  for (std::string& table : countedOn) {
    if (!InCatalog(catalog, table)) table.clear();
  }

  // The rows, in code order; the methods that lack something are skipped.
  for (const PruningMethodInfo& info : PruningMethods()) {
    if (!p.methods.empty() &&
        std::find(p.methods.begin(), p.methods.end(), info.code) == p.methods.end()) {
      continue;
    }
    ComparisonRow row;
    row.method = info.code;
    row.name = std::string(info.cliName);
    row.message = MissingForMethod(stem, info.code, options.mValues, catalog);
    if (!row.message.empty()) row.outcome = RowOutcome::kSkipped;
    result.rows.push_back(std::move(row));
  }
  for (int code : p.methods) {
    if (!FindPruningMethod(code)) {
      return InvalidArgument("pruning method " + std::to_string(code) + " is not available");
    }
  }

  if (Status s = EnsureWorkingFolder(); !s.ok()) return s;

  // The pieces of the job, in the order they start: the growing of the shared tree, the fold
  // trees (read against the training table's attributes, which do not depend on the tree) and
  // the methods. With methods at once, the iterative method, which grows its own tree from its
  // own tables, starts first beside the growing, and the methods that need the fold trees come
  // last; a method waits for what it needs, which always started before it.
  enum class Kind { kGrow, kFold, kMethod };
  struct Piece {
    Kind kind;
    int index;  // fold number - 1, or row
  };
  const int total = static_cast<int>(result.rows.size());
  const bool oneAtATime = ParallelJobs() <= 1;
  int iterativeRow = -1;
  int firstFoldMethod = -1;
  for (int i = total - 1; i >= 0; --i) {
    const ComparisonRow& row = result.rows[static_cast<size_t>(i)];
    if (row.outcome == RowOutcome::kSkipped) continue;
    if (UsesTrainingHalves(row.method)) iterativeRow = i;
    if (NeedsFoldTables(row.method)) firstFoldMethod = i;
  }
  const bool withFolds = firstFoldMethod >= 0;
  std::vector<Piece> pieces;
  const bool iterativeFirst = !oneAtATime && iterativeRow >= 0;
  if (iterativeFirst) pieces.push_back({Kind::kMethod, iterativeRow});
  pieces.push_back({Kind::kGrow, 0});
  for (int v = 0; withFolds && v < kFoldPairs; ++v) pieces.push_back({Kind::kFold, v});
  for (const bool foldMethods : {false, true}) {
    for (int i = 0; i < total; ++i) {
      const ComparisonRow& row = result.rows[static_cast<size_t>(i)];
      if (row.outcome == RowOutcome::kSkipped || (iterativeFirst && i == iterativeRow)) continue;
      if (!oneAtATime && NeedsFoldTables(row.method) != foldMethods) continue;
      if (oneAtATime && foldMethods) continue;
      pieces.push_back({Kind::kMethod, i});
    }
  }

  // What each method leaves: its report (when kept apart), files and outcome.
  struct Run {
    std::ostringstream report;
    FilesWritten written;
    Status status;
    bool ran = false;
  };
  std::vector<Run> runs(static_cast<size_t>(total));
  // The error complexity family on the pruning table, made once for the two methods using it.
  TestSetFamily testSetFamily;
  // What the pieces hand on, under `stateLock`: the grown tree and the tables (the growing's
  // outcome set once it is done), and the fold trees once the last of them is done.
  std::mutex stateLock;
  std::condition_variable stateChanged;
  bool grownDone = false;
  Status grownStatus;
  std::unique_ptr<TreeNode> grown;
  bool allKnown = true;
  std::vector<TableRead> reads;
  TableRead asGrown;
  struct FoldPiece {
    std::ostringstream report;
    Status status;
    long grownNodes = 0;
    bool done = false;
  };
  std::vector<FoldTree> foldTrees(withFolds ? kFoldPairs : 0);
  std::vector<FoldPiece> foldPieces(foldTrees.size());
  int foldsDone = 0;
  SharedFolds folds;
  long foldNodes = 0;
  // What the pieces start from, taken before the engine grows the tree, which none of them
  // looks at while it grows: the attributes the fold trees are read against, and the settings.
  dtree::AttributeTable attributes;
  const dtree::InductionOptions settings = engine.Options;

  // Each tree is counted on the training, pruning and test tables, with the cases' paths
  // through the grown tree followed once for all the trees pruned from it.
  struct Counted {
    const TableRead* read;
    std::unique_ptr<PruningErrorCounter> counter;
  };
  std::vector<Counted> counted;  // as in `countedOn`, after the training cases as grown
  auto countAll = [&](InductionEngine& counter, ComparisonRow& row, const TreeNode& tree) {
    TableErrors* parts[] = {&row.training, &row.prune, &row.test};
    for (size_t t = 0; t < counted.size(); ++t) {
      const Counted& on = counted[t];
      if (on.read == nullptr) continue;
      *parts[t] = {on.read->table, on.counter->Errors(tree, counter), on.read->cases.MaxItem + 1};
    }
  };

  // The shared tree, grown from the training table read (as reading leaves it) before the
  // pieces start, then the pruning and test tables read; every method is served copies of them.
  auto growShared = [&]() -> Status {
    const auto growStart = std::chrono::steady_clock::now();
    grown = dtree::GrowNewTree(engine, 0, engine.MaxItem());
    report << "\n";
    if (engine.JobProgress().Cancelled()) return Cancelled("the comparison was stopped");
    ComparisonRow& g = result.grown;
    g.method = -1;
    g.name = "grown";
    g.seconds = SecondsSince(growStart);
    allKnown = engine.AllKnown;

    // Every method starts from the training cases as growing left them (their order and weights).
    asGrown.table = stem;
    engine.Cases.ExchangeCases(asGrown.cases);
    for (const std::string& table : countedOn) {
      if (table.empty()) continue;
      reads.emplace_back();
      if (Status s = ReadTable(engine, table, source, reads.back()); !s.ok()) return s;
    }
    counted.push_back({&asGrown, nullptr});
    for (const std::string& table : countedOn) {
      counted.push_back({FindTableRead(&reads, table), nullptr});
    }
    for (Counted& on : counted) {
      if (on.read != nullptr) {
        on.counter = std::make_unique<PruningErrorCounter>(engine, *grown, on.read->cases.Item);
      }
    }
    countAll(engine, g, *grown);
    Measure(g, *grown);
    FilesWritten grownFiles;
    WriteTreeFiles(g, *grown, engine, stem + "_grown", grownFiles);
    result.files = std::move(grownFiles.files);
    result.warnings = std::move(grownFiles.warnings);
    result.grownNodes = engine.GrownNodes;
    return Status::Ok();
  };

  // Fold tree `v`, in an engine of its own; none grows after one before it failed. The last to
  // be done hands them on as growing them in order would: the reports up to the first that
  // failed, and that failure.
  auto growFold = [&](int v) {
    FoldPiece& piece = foldPieces[static_cast<size_t>(v)];
    bool failedBefore = false;
    {
      std::lock_guard<std::mutex> lock(stateLock);
      for (int u = 0; u < v; ++u) {
        const FoldPiece& before = foldPieces[static_cast<size_t>(u)];
        if (before.done && !before.status.ok()) failedBefore = true;
      }
    }
    if (!failedBefore) {
      SerialProgress shared(progress, progressLock);
      InductionEngine own(piece.report, shared);
      own.Options = settings;
      own.Cases.Attributes() = attributes;
      const PruningContext ctx{own, source, stem, std::string(), nullptr};
      piece.status = GrowFoldTree(ctx, BaseName(stem), v + 1, foldTrees[static_cast<size_t>(v)]);
      piece.grownNodes = own.GrownNodes;
    }
    std::lock_guard<std::mutex> lock(stateLock);
    piece.done = true;
    if (++foldsDone < kFoldPairs) return;
    std::string text;
    for (FoldPiece& each : foldPieces) {
      text += each.report.str();
      foldNodes += each.grownNodes;
      if (!each.status.ok()) {
        folds.status = each.status;
        break;
      }
    }
    folds.report = std::move(text);
    if (folds.status.ok()) folds.trees = std::move(foldTrees);
    stateChanged.notify_all();
  };

  // Each method in an engine of its own with its own report, shown in code order; one at a time,
  // each writes straight into the report.
  auto prune = [&](int i) {
    ComparisonRow& row = result.rows[static_cast<size_t>(i)];
    Run& run = runs[static_cast<size_t>(i)];
    std::ostream& out = oneAtATime ? report : run.report;
    // The iterative method grows its own tree from its own tables and needs nothing shared.
    if (i != iterativeRow) {
      std::unique_lock<std::mutex> lock(stateLock);
      stateChanged.wait(lock, [&] {
        return grownDone && (!NeedsFoldTables(row.method) || foldsDone == kFoldPairs);
      });
      if (!grownStatus.ok()) return;
    }
    SerialProgress shared(progress, progressLock);
    if (shared.Cancelled()) return;
    run.ran = true;
    shared.Update(row.name, i, total);
    const auto start = std::chrono::steady_clock::now();
    auto pruned = std::make_unique<TreeNode>();
    if (i == iterativeRow) {
      // The shared tables, if the growing has read them by the time the method counts.
      const SharedReads readAlready{attributes, [&]() -> const std::vector<TableRead>* {
                                      std::lock_guard<std::mutex> lock(stateLock);
                                      return grownDone && grownStatus.ok() ? &reads : nullptr;
                                    }};
      run.status = RunIterative(settings, out, shared, stem, countedOn, readAlready, source, row,
                                pruned, run.written);
      row.seconds = SecondsSince(start);
      return;
    }
    InductionEngine own(out, shared);
    own.Options = settings;
    own.Cases.Attributes() = engine.Att();
    own.Cases.LoadCopy(asGrown.cases);
    own.AllocateWorkArrays();
    own.AllKnown = allKnown;
    PruningShare share;
    share.tables = &reads;
    share.testSetFamily = &testSetFamily;
    // Only the methods that waited for the fold trees look at them.
    if (NeedsFoldTables(row.method)) {
      share.folds = &folds;
      share.tellsFolds = i == firstFoldMethod || !folds.status.ok();
    }
    run.status = PruneTree(own, *pruned, row.method, *grown, stem, source, options.mValues, &share);
    row.seconds = SecondsSince(start);
    if (!run.status.ok()) return;
    WriteTreeFiles(row, *pruned, own, stem + "_" + row.name, run.written);
    if (own.Options.PROBTHRESH) dtree::SoftenThresholds(own, *pruned);
    countAll(own, row, *pruned);
    Measure(row, *pruned);
    row.estimate = share.estimate;
    if (row.method == kStandardPrune && pruned->Items() > 0) {
      row.estimate = 100.0 * pruned->Errors() / pruned->Items();
    } else if (row.method == kPessimisticErrorPruning) {
      row.estimate = PessimisticEstimate(*pruned);
    }
  };

  auto work = [&](int k) {
    const Piece& piece = pieces[static_cast<size_t>(k)];
    if (piece.kind == Kind::kGrow) {
      Status status = growShared();
      std::lock_guard<std::mutex> lock(stateLock);
      grownStatus = std::move(status);
      grownDone = true;
      stateChanged.notify_all();
    } else if (piece.kind == Kind::kFold) {
      growFold(piece.index);
    } else {
      prune(piece.index);
    }
  };

  // The rows are taken in code order once their methods are done and the shared tree is grown:
  // the growing's report lines come first, then each method's.
  bool stopped = false;
  bool grownTaken = false;
  std::vector<char> rowDone(static_cast<size_t>(total), 0);
  int nextRow = 0;
  SerialProgress taking(progress, progressLock);
  auto take = [&](int i) {
    ComparisonRow& row = result.rows[static_cast<size_t>(i)];
    Run& run = runs[static_cast<size_t>(i)];
    report << run.report.str();
    run.report.str(std::string());
    if (row.outcome == RowOutcome::kSkipped) return true;
    if (!run.ran || run.status.code() == StatusCode::kCancelled || taking.Cancelled()) {
      stopped = true;
      return false;
    }
    for (auto& file : run.written.files) result.files.push_back(std::move(file));
    for (auto& warning : run.written.warnings) result.warnings.push_back(std::move(warning));
    if (!run.status.ok()) {
      row.outcome = RowOutcome::kFailed;
      row.message = Trim(run.status.message());
    }
    return true;
  };
  auto takeDone = [&] {
    while (grownTaken && !stopped && nextRow < total) {
      const size_t at = static_cast<size_t>(nextRow);
      if (result.rows[at].outcome != RowOutcome::kSkipped && rowDone[at] == 0) break;
      if (!take(nextRow)) return false;
      ++nextRow;
    }
    return !stopped;
  };
  auto after = [&](int k) {
    const Piece& piece = pieces[static_cast<size_t>(k)];
    if (piece.kind == Kind::kGrow) {
      if (!grownStatus.ok()) return false;
      grownTaken = true;
    } else if (piece.kind == Kind::kMethod) {
      rowDone[static_cast<size_t>(piece.index)] = 1;
    }
    return takeDone();
  };

  jobProgress.Update("growing the tree", 0, -1);
  {
    reads.resize(1);
    if (Status s = LoadTraining(engine, stem, source, reads[0]); !s.ok()) return s;
    attributes = engine.Att();
  }
  RunInOrder(static_cast<int>(pieces.size()), work, after);
  if (!grownStatus.ok()) return grownStatus;
  if (!stopped) takeDone();
  if (stopped || nextRow < total) return Cancelled("the comparison was stopped");
  result.grownNodes += foldNodes;
  jobProgress.Update("comparison", total, total);
  MarkBest(result.rows);

  const std::string base = SafeFileName(stem) + "_compare";
  for (const auto& [ext, text] :
       {std::pair{".txt", ComparisonText(result)}, std::pair{".csv", ComparisonCsv(result)}}) {
    const auto path = WorkingFile(base + ext);
    if (Status s = WriteResultFile(path, text); s.ok()) {
      result.files.push_back(path);
    } else {
      result.warnings.push_back(s.message());
    }
  }
  return WithFilesNotWritten(Status::Ok(), result.warnings);
}

namespace {

std::string Errors(const TableErrors& t) {
  if (!t.Counted()) return "-";
  return Format("%d (%.1f%%)", t.errors, t.Percent());
}

std::string Marks(const ComparisonRow& row) {
  std::string marks;
  if (row.best) marks = "best";
  if (row.withinOneSE) marks += marks.empty() ? "1-SE" : ", 1-SE";
  return marks;
}

std::string Line(const ComparisonRow& row) {
  if (row.outcome != RowOutcome::kPruned) {
    return Format("%-16s %s: %s\n", row.name.c_str(),
                  row.outcome == RowOutcome::kSkipped ? "skipped" : "failed", row.message.c_str());
  }
  const std::string estimate = row.estimate ? Format("%.1f%%", *row.estimate) : "-";
  std::string line =
      Format("%-16s %7d %5d  %-16s %-16s %-16s %8s %9.2f  %s", row.name.c_str(), row.leaves,
             row.depth, Errors(row.training).c_str(), Errors(row.prune).c_str(),
             Errors(row.test).c_str(), estimate.c_str(), row.seconds, Marks(row).c_str());
  while (!line.empty() && line.back() == ' ') line.pop_back();
  if (!row.message.empty() && row.method >= 0) line += "  (" + row.message + ")";
  return line + "\n";
}

std::string TableName(const ComparisonRow& grown, const TableErrors ComparisonRow::*part) {
  const TableErrors& t = grown.*part;
  return t.Counted() ? Format("%s (%d cases)", t.table.c_str(), t.cases) : "none";
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  return "\"" + ReplaceAll(text, "\"", "\"\"") + "\"";
}

std::string CsvCounts(const TableErrors& t) {
  if (!t.Counted()) return ",,";
  return Format("%d,%d,%.4f", t.errors, t.cases, t.Percent());
}

}  // namespace

std::string ComparisonText(const ComparisonResult& result) {
  const ComparisonRow& g = result.grown;
  std::string text = "Pruning methods compared\n";
  text += "training: " + TableName(g, &ComparisonRow::training) +
          ", pruning: " + TableName(g, &ComparisonRow::prune) +
          ", test: " + TableName(g, &ComparisonRow::test) + "\n";
  text += Format("tree grown once in %.2f s\n\n", g.seconds);
  text += Format("%-16s %7s %5s  %-16s %-16s %-16s %8s %9s\n", "method", "leaves", "depth",
                 "training errors", "pruning errors", "test errors", "estimate", "time (s)");
  text += Line(g);
  for (const ComparisonRow& row : result.rows) text += Line(row);
  const ComparisonRow* best = nullptr;
  const ComparisonRow* smallest = nullptr;
  for (const ComparisonRow& row : result.rows) {
    if (row.best) best = &row;
    if (row.withinOneSE) smallest = &row;
  }
  if (best != nullptr) {
    text += "\nbest by test errors: " + best->name +
            "; smallest tree within one standard error of it: " + smallest->name + "\n";
  } else {
    text += "\nno method's tree was counted on a test table: none marked best\n";
  }
  return text;
}

std::string ComparisonCsv(const ComparisonResult& result) {
  std::string csv =
      "method,code,outcome,leaves,depth,training_errors,training_cases,training_percent,"
      "pruning_errors,pruning_cases,pruning_percent,test_errors,test_cases,test_percent,"
      "estimate_percent,seconds,best,within_one_se,message\n";
  auto add = [&csv](const ComparisonRow& row) {
    static const char* kOutcome[] = {"pruned", "skipped", "failed"};
    csv += CsvField(row.name) + "," + std::to_string(row.method) + "," +
           kOutcome[static_cast<int>(row.outcome)] + ",";
    if (row.outcome == RowOutcome::kPruned) {
      csv += Format("%d,%d,", row.leaves, row.depth) + CsvCounts(row.training) + "," +
             CsvCounts(row.prune) + "," + CsvCounts(row.test) + "," +
             (row.estimate ? Format("%.4f", *row.estimate) : "") + Format(",%.3f,", row.seconds) +
             (row.best ? "1" : "0") + "," + (row.withinOneSE ? "1" : "0") + ",";
    } else {
      csv += ",,,,,,,,,,,,,,,";
    }
    csv += CsvField(row.message) + "\n";
  };
  add(result.grown);
  for (const ComparisonRow& row : result.rows) add(row);
  return csv;
}

}  // namespace quarry::pruning
