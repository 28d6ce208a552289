#include "core/pruning/pruning_comparison.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <ostream>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "core/dtree/classification.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/soft_thresholds.h"
#include "core/dtree/tree_growing.h"
#include "core/pruning/prune_tree.h"
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

// Cases read once and held outside the engine, counted against trees in turn.
class HeldCases {
 public:
  HeldCases(InductionEngine& engine, std::string table) : engine_(engine), table_(table) {}
  // Takes the engine's loaded cases.
  void Take() { engine_.Cases.ExchangeCases(cases_); }
  // Reads the table into the holder; a table without rows holds no case.
  Status Read(DataSource& source) {
    engine_.Cases.FreeCases();
    if (engine_.LoadCases(table_, source) == 2) {
      return DatabaseError("cannot read the rows of " + table_ + ": " +
                           engine_.Cases.LastLoadError());
    }
    Take();
    return Status::Ok();
  }
  TableErrors Count(const TreeNode& tree, LeafVote vote) {
    engine_.Cases.ExchangeCases(cases_);
    engine_.AllocateWorkArrays();
    TableErrors counted{table_, dtree::CountTreeErrors(engine_, tree, vote), engine_.MaxItem() + 1};
    engine_.Cases.ExchangeCases(cases_);
    return counted;
  }
  // Makes a copy of the held cases, in their order and with their weights, the engine's cases.
  void InstallCopy() {
    engine_.Cases.ExchangeCases(cases_);
    CaseSet::LoadedCases copy = engine_.Cases.CopyCases();
    engine_.Cases.ExchangeCases(cases_);
    engine_.Cases.FreeCases();
    engine_.Cases.ExchangeCases(copy);
    engine_.AllocateWorkArrays();
  }

 private:
  InductionEngine& engine_;
  std::string table_;
  CaseSet::LoadedCases cases_;
};

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

// The tree and rules files, and beside the tree file its model file, whose leaves vote as the
// row's counts take them, so that the tree can be applied.
void WriteTreeFiles(ComparisonRow& row, const TreeNode& tree, const InductionEngine& engine,
                    const std::string& baseName, ComparisonResult& result,
                    LeafVote vote = LeafVote::kDistribution) {
  auto record = [&](const Status& status, const std::filesystem::path& path) {
    if (status.ok()) {
      result.files.push_back(path);
    } else {
      result.warnings.push_back(status.message());
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
    if (!model.ok()) result.warnings.push_back(model.message());
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

struct Tables {
  std::string prune;  // empty when missing
  std::string test;
};

// The iterative method: its own tree grown on B_train1, pruned with the halves, counted on
// B_train (its whole training set) and on the comparison's pruning and test tables.
Status RunIterative(InductionEngine& main, const std::string& stem, const Tables& tables,
                    DataSource& source, PruningShare& share, ComparisonRow& row,
                    std::unique_ptr<TreeNode>& pruned, ComparisonResult& result) {
  InductionEngine engine(main.Report(), main.JobProgress());
  engine.Options = main.Options;
  const std::string first = FirstHalf(stem);
  engine.Options.FileName = first;
  if (Status s = LoadTrainingTable(engine, first, source); !s.ok()) return s;
  std::unique_ptr<TreeNode> grown = dtree::GrowNewTree(engine, 0, engine.MaxItem());
  if (Status s =
          PruneTree(engine, *pruned, kIterativeGrowingPruning, *grown, first, source, "", &share);
      !s.ok()) {
    return s;
  }
  // The files hold the tree as pruned; the figures are those of the softened tree, as in the job.
  WriteTreeFiles(row, *pruned, engine, stem + "_" + row.name, result, LeafVote::kWholeCase);
  if (engine.Options.PROBTHRESH) dtree::SoftenThresholds(engine, *pruned);
  row.training = {WholeTrainingName(first),
                  dtree::CountTreeErrors(engine, *pruned, LeafVote::kWholeCase),
                  engine.MaxItem() + 1};
  for (const auto& [table, counted] :
       {std::pair{tables.prune, &row.prune}, std::pair{tables.test, &row.test}}) {
    if (table.empty()) continue;
    HeldCases held(engine, table);
    if (Status s = held.Read(source); !s.ok()) return s;
    *counted = held.Count(*pruned, LeafVote::kWholeCase);
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
  InductionEngine engine(report, progress);
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
  Tables tables;
  if (InCatalog(catalog, PruningTableName(stem))) tables.prune = PruningTableName(stem);
  if (InCatalog(catalog, TestTableName(stem, kStandardPrune)))
    tables.test = TestTableName(stem, kStandardPrune);

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
  progress.Update("growing the tree", 0, -1);
  if (Status s = LoadTrainingTable(engine, stem, source); !s.ok()) return s;
  const auto growStart = std::chrono::steady_clock::now();
  std::unique_ptr<TreeNode> grown = dtree::GrowNewTree(engine, 0, engine.MaxItem());
  report << "\n";
  if (engine.JobProgress().Cancelled()) return Cancelled("the comparison was stopped");
  ComparisonRow& g = result.grown;
  g.method = -1;
  g.name = "grown";
  g.seconds = SecondsSince(growStart);
  const bool allKnown = engine.AllKnown;

  // Every method starts from the training cases as growing left them.
  HeldCases training(engine, stem);
  training.Take();
  HeldCases prune(engine, tables.prune);
  HeldCases test(engine, tables.test);
  if (!tables.prune.empty()) {
    if (Status s = prune.Read(source); !s.ok()) return s;
  }
  if (!tables.test.empty()) {
    if (Status s = test.Read(source); !s.ok()) return s;
  }
  auto countAll = [&](ComparisonRow& row, const TreeNode& tree) {
    row.training = training.Count(tree, LeafVote::kDistribution);
    if (!tables.prune.empty()) row.prune = prune.Count(tree, LeafVote::kDistribution);
    if (!tables.test.empty()) row.test = test.Count(tree, LeafVote::kDistribution);
  };
  countAll(g, *grown);
  Measure(g, *grown);
  WriteTreeFiles(g, *grown, engine, stem + "_grown", result);

  PruningShare share;
  const int total = static_cast<int>(result.rows.size());
  for (int i = 0; i < total; ++i) {
    ComparisonRow& row = result.rows[static_cast<size_t>(i)];
    if (row.outcome == RowOutcome::kSkipped) continue;
    progress.Update(row.name, i, total);
    share.estimate.reset();
    const auto start = std::chrono::steady_clock::now();
    auto pruned = std::make_unique<TreeNode>();
    Status status;
    if (UsesTrainingHalves(row.method)) {
      status = RunIterative(engine, stem, tables, source, share, row, pruned, result);
      row.seconds = SecondsSince(start);
    } else {
      training.InstallCopy();
      engine.AllKnown = allKnown;
      status =
          PruneTree(engine, *pruned, row.method, *grown, stem, source, options.mValues, &share);
      row.seconds = SecondsSince(start);
      if (status.ok()) {
        WriteTreeFiles(row, *pruned, engine, stem + "_" + row.name, result);
        if (engine.Options.PROBTHRESH) dtree::SoftenThresholds(engine, *pruned);
      }
    }
    if (status.code() == StatusCode::kCancelled || progress.Cancelled()) {
      return Cancelled("the comparison was stopped");
    }
    if (!status.ok()) {
      row.outcome = RowOutcome::kFailed;
      row.message = Trim(status.message());
      continue;
    }
    if (!UsesTrainingHalves(row.method)) {
      countAll(row, *pruned);
      Measure(row, *pruned);
      row.estimate = share.estimate;
      if (row.method == kStandardPrune && pruned->Items() > 0) {
        row.estimate = 100.0 * pruned->Errors() / pruned->Items();
      } else if (row.method == kPessimisticErrorPruning) {
        row.estimate = PessimisticEstimate(*pruned);
      }
    }
  }
  progress.Update("comparison", total, total);
  engine.Cases.FreeCases();
  result.grownNodes = engine.GrownNodes;
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
