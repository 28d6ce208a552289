#include "core/pruning/run_induction.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <utility>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/data/working_folder.h"
#include "core/dtree/classification.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/soft_thresholds.h"
#include "core/dtree/tree_growing.h"
#include "core/dtree/trial_evaluation.h"
#include "core/dtree/windowing.h"
#include "core/pruning/prune_tree.h"
#include "core/pruning/pruning_method.h"
#include "core/pruning/pruning_tables.h"
#include "core/treefiles/decision_rules_writer.h"
#include "core/treefiles/decision_tree_writer.h"
#include "core/treefiles/model_file.h"
#include "core/treefiles/tree_file_names.h"

namespace quarry::pruning {

using dtree::AttributeTable;
using dtree::InductionEngine;
using dtree::InductionOptions;
using dtree::LeafVote;
using dtree::RawFigures;
using dtree::TreeNode;
using dtree::TrialTrees;

namespace {

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// A result file of the job. It is written, and its closing lines appended, under a name of its
// own, and takes its real name only when whole: no partial file, and no file of closing lines
// alone, ever carries the name. An uncommitted one is removed.
class StagedFile {
 public:
  // An unlisted file is not named among the job's files (a model file beside its tree file).
  explicit StagedFile(std::filesystem::path path, bool listed = true)
      : path_(std::move(path)), listed_(listed) {
    staged_ = path_;
    staged_ += ".staged";
  }
  ~StagedFile() {
    if (!staged_.empty()) {
      std::error_code ec;
      std::filesystem::remove(staged_, ec);
    }
  }
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  const std::filesystem::path& Staged() const { return staged_; }
  bool Committed() const { return started_ && staged_.empty(); }
  // How writing the staged file went; the first failure stands.
  void Written(const Status& status) {
    started_ = true;
    if (!written_.ok() || status.ok()) return;
    // The user knows the file by its real name.
    std::string message = ReplaceAll(status.message(), staged_.string(), path_.string());
    message = ReplaceAll(message, "cannot append to ", "cannot write ");
    written_ = Status(status.code(), message);
  }
  void Append(const std::string& text) {
    if (written_.ok()) Written(AppendToFile(staged_, text));
  }
  // Gives the file its name and notes it as written, or notes why it is not.
  void Commit(InductionResult& result) {
    if (!started_ || staged_.empty()) return;
    Status status = written_;
    if (status.ok()) status = RenameIntoPlace(staged_, path_);
    if (status.ok()) {
      staged_.clear();
      if (listed_) result.files.push_back(path_);
    } else {
      result.warnings.push_back(status.message());
    }
  }

 private:
  std::filesystem::path path_;
  std::filesystem::path staged_;
  Status written_ = Status::Ok();
  bool listed_;
  bool started_ = false;  // a file the job does not make is never written
};

}  // namespace

std::string EvaluationSummary(const InductionResult& result) {
  auto line = [](const char* data, const dtree::TreeEvaluation& e) {
    auto percent = [&e](int errors) { return e.cases > 0 ? 100.0 * errors / e.cases : 0.0; };
    return Format(
        "%s (%d items): before pruning size %d, %d errors (%.1f%%); after pruning size %d, %d "
        "errors (%.1f%%), estimate %.1f%%\n",
        data, e.cases, e.rawSize, e.rawErrors, percent(e.rawErrors), e.prunedSize, e.prunedErrors,
        percent(e.prunedErrors), e.estimate);
  };
  std::string text = line("Training data", result.training);
  if (result.test) text += line("Test data", *result.test);
  return text;
}

JobTables TablesForJob(const std::string& stem, int mode) {
  JobTables tables;
  tables.test = TestTableName(stem, mode);
  if (UsesTrainingHalves(mode)) {
    if (!Contains(stem, "_train1")) {
      tables.problem = "the training table's name must contain _train1";
      return tables;
    }
    // The whole training set is read once the steps are over: it must be there before they
    // start.
    tables.required.push_back(SecondHalfName(stem));
    tables.required.push_back(WholeTrainingName(stem));
    return tables;
  }
  if (!Contains(stem, "_data")) {
    tables.problem = "the training table's name must contain _data";
    return tables;
  }
  if (!NeedsPruningTable(mode)) return tables;
  tables.required.push_back(PruningTableName(stem));
  if (NeedsFoldTables(mode)) {
    const std::string base = BaseName(stem);
    for (int v = 1; v <= kFoldPairs; ++v) {
      tables.required.push_back(FoldTrainingName(base, v));
      tables.required.push_back(FoldTestName(base, v));
    }
  }
  return tables;
}

Status LoadTrainingTable(InductionEngine& engine, const std::string& stem, DataSource& source) {
  if (Status s = engine.LoadAttributes(stem, source); !s.ok()) return s;
  if (engine.MaxAtt() < 0) {
    return InvalidArgument(
        stem +
        " has no attribute column: a tree needs at least one column before the class "
        "(the last column)");
  }
  switch (engine.LoadCases(stem, source)) {
    case 1:
      return InvalidArgument(stem + " has no rows: there is nothing to grow a tree from");
    case 2:
      return DatabaseError("cannot read the rows of " + stem + ": " + engine.Cases.LastLoadError());
    default:
      break;
  }
  engine.AllKnown = true;
  engine.ResetWeights();
  engine.GrownNodes = 0;
  return Status::Ok();
}

Status RunInduction(InductionEngine& engine, const std::vector<std::string>& args, int mode,
                    const std::string& mValues, DataSource& source, InductionResult& result,
                    const std::string& heldOutTable) {
  result = InductionResult();
  std::ostream& out = engine.Report();
  if (Status s = ParseInductionOptions(args, engine.Options, out); !s.ok()) return s;
  const InductionOptions& options = engine.Options;
  const std::string stem = options.FileName;
  if (Status s = CheckTableName(stem); !s.ok()) return s;

  // The job's tables, by exact name.
  std::vector<std::string> catalog;
  if (!source.ListTables(catalog))
    return DatabaseError("cannot list the tables: " + source.LastError());
  JobTables tables = TablesForJob(stem, mode);
  if (!tables.problem.empty()) return NotFound(std::string(kTablesMissing) + "\n" + tables.problem);
  std::vector<std::string> wanted = {stem};
  wanted.insert(wanted.end(), tables.required.begin(), tables.required.end());
  if (options.UNSEENS) wanted.push_back(tables.test);
  std::string missing;
  for (const std::string& table : wanted) {
    if (std::find(catalog.begin(), catalog.end(), table) == catalog.end()) {
      missing += (missing.empty() ? "" : ", ") + table;
    }
  }
  if (!missing.empty())
    return NotFound(std::string(kTablesMissing) + "\nnot in the database: " + missing);

  if (Status s = EnsureWorkingFolder(); !s.ok()) return s;
  if (Status s = LoadTrainingTable(engine, stem, source); !s.ok()) return s;

  const LeafVote vote =
      mode == kIterativeGrowingPruning ? LeafVote::kWholeCase : LeafVote::kDistribution;
  const std::string prunedStem = stem + "PRUNED";
  const auto rawTreeFile = treefiles::TreeFilePath(stem);
  const auto prunedTreeFile = treefiles::TreeFilePath(prunedStem);
  const auto rawRulesFile = treefiles::RulesFilePath(stem);
  const AttributeTable& att = engine.Att();

  Rand rand;
  TrialTrees trees;
  // Pruned in place, the raw tree is written and measured first.
  StagedFile stagedTree(rawTreeFile);
  StagedFile stagedRules(rawRulesFile);
  StagedFile prunedTree(prunedTreeFile);
  StagedFile prunedRules(treefiles::RulesFilePath(prunedStem));
  const std::string softStem = ReplaceAll(stem, "_data", "_prune") + "PROBTHRESH";
  StagedFile softTree(treefiles::TreeFilePath(softStem));
  // Each tree file has its model file beside it, with the figures the tree file prints too
  // coarsely to classify with.
  StagedFile rawModel(treefiles::ModelFileFor(rawTreeFile), false);
  StagedFile prunedModel(treefiles::ModelFileFor(prunedTreeFile), false);
  StagedFile softModel(treefiles::ModelFileFor(treefiles::TreeFilePath(softStem)), false);
  const auto writeModel = [&](StagedFile& file, const TreeNode& tree) {
    file.Written(treefiles::WriteDecisionModelFile(tree, att, vote, file.Staged()));
  };
  StagedFile* const staged[] = {&stagedTree, &prunedTree, &stagedRules, &prunedRules, &softTree};
  // The files take their names once their last lines are written, or when the job ends early;
  // a model file only beside its tree file.
  auto commitFiles = [&] {
    for (StagedFile* file : staged) file->Commit(result);
    const std::pair<StagedFile*, StagedFile*> models[] = {
        {&rawModel, &stagedTree}, {&prunedModel, &prunedTree}, {&softModel, &softTree}};
    for (auto [model, tree] : models) {
      if (tree->Committed()) model->Commit(result);
    }
  };
  if (options.BATCH) {
    std::unique_ptr<TreeNode> grown = GrowNewTree(engine, 0, engine.MaxItem());
    out << "\n";
    if (engine.JobProgress().Cancelled()) return Cancelled("the decision-tree job was stopped");
    // The raw tree and a pruned copy of a large table would be held together; the methods that
    // need nothing of the raw tree but its files and figures prune it in place instead. Test
    // and held-out cases are classified after pruning, so a job with either keeps the copy.
    if (PrunesInPlace(mode) && !options.UNSEENS && heldOutTable.empty()) {
      stagedTree.Written(
          treefiles::WriteDecisionTreeFile(*grown, att, options.MINOBJS, stagedTree.Staged()));
      stagedRules.Written(treefiles::WriteDecisionRulesFile(*grown, att, stagedRules.Staged()));
      writeModel(rawModel, *grown);
      trees.rawFigures.push_back({TreeSize(*grown), CountTreeErrors(engine, *grown, vote),
                                  LeafCount(*grown), grown->Items()});
      if (Status s = PruneInPlace(engine, *grown, mode, stem, source); !s.ok()) return s;
      trees.raw.push_back(nullptr);
      trees.pruned.push_back(std::move(grown));
    } else {
      auto pruned = std::make_unique<TreeNode>();
      if (Status s = PruneTree(engine, *pruned, mode, *grown, stem, source, mValues); !s.ok()) {
        return s;
      }
      trees.raw.push_back(std::move(grown));
      trees.pruned.push_back(std::move(pruned));
    }
  } else {
    BuildBestTree(engine, rand, stem, trees);
  }
  if (engine.JobProgress().Cancelled()) return Cancelled("the decision-tree job was stopped");
  result.bestTrial = trees.best;
  const TreeNode* raw = trees.raw[static_cast<size_t>(trees.best)].get();
  TreeNode& pruned = *trees.pruned[static_cast<size_t>(trees.best)];
  const RawFigures* taken =
      raw == nullptr ? &trees.rawFigures[static_cast<size_t>(trees.best)] : nullptr;
  const int rawLeaves = taken != nullptr ? taken->leaves : LeafCount(*raw);
  const float rawItems = taken != nullptr ? taken->items : raw->Items();

  if (raw != nullptr) {
    stagedTree.Written(
        treefiles::WriteDecisionTreeFile(*raw, att, options.MINOBJS, stagedTree.Staged()));
    writeModel(rawModel, *raw);
  }
  prunedTree.Written(
      treefiles::WriteDecisionTreeFile(pruned, att, options.MINOBJS, prunedTree.Staged()));
  writeModel(prunedModel, pruned);
  if (raw != nullptr) {
    stagedRules.Written(treefiles::WriteDecisionRulesFile(*raw, att, stagedRules.Staged()));
  }
  prunedRules.Written(treefiles::WriteDecisionRulesFile(pruned, att, prunedRules.Staged()));

  if (options.PROBTHRESH) {
    out << "Softening thresholds";
    if (!options.BATCH) out << Format(" for best tree from trial %d", trees.best);
    out << "\n";
    SoftenThresholds(engine, pruned);
    out << "\n";
    softTree.Written(
        treefiles::WriteDecisionTreeFile(pruned, att, options.MINOBJS, softTree.Staged()));
    writeModel(softModel, pruned);
  }

  out << Format("\n\nEvaluation on training data (%d items):\n", engine.MaxItem() + 1);
  // The evaluation's line of the best trial counts the errors of these very trees.
  result.training = EvaluateTrials(engine, trees, vote);
  result.rawErrors = result.training.rawErrors;
  result.prunedErrors = result.training.prunedErrors;
  result.evaluatedCases = engine.MaxItem() + 1;

  if (options.UNSEENS) {
    engine.Cases.FreeCases();
    if (engine.LoadCases(tables.test, source) == 2) {
      commitFiles();
      return DatabaseError("the tree files are written, but the test table " + tables.test +
                           " cannot be read: " + engine.Cases.LastLoadError());
    }
    out << Format("\nEvaluation on test data (%d items):\n", engine.MaxItem() + 1);
    result.test = EvaluateTrials(engine, trees, vote);  // a job with unseens keeps the raw tree
    result.rawErrors = result.test->rawErrors;
    result.prunedErrors = result.test->prunedErrors;
    result.evaluatedCases = engine.MaxItem() + 1;
    stagedTree.Append("\nerrors on test set:  " + std::to_string(result.rawErrors));
    prunedTree.Append("\nerrors on test set:  " + std::to_string(result.prunedErrors));
  }
  stagedTree.Append("\nnumber of leaves:  " + std::to_string(rawLeaves));
  prunedTree.Append("\nnumber of leaves:  " + std::to_string(LeafCount(pruned)));
  commitFiles();

  result.errorRate = static_cast<float>(result.rawErrors) / rawItems;
  result.leafCount = LeafCount(pruned);
  if (!heldOutTable.empty()) {
    engine.Cases.FreeCases();
    if (engine.LoadCases(heldOutTable, source) == 2) {
      return DatabaseError("the tree files are written, but the held-out table " + heldOutTable +
                           " cannot be read: " + engine.Cases.LastLoadError());
    }
    result.heldOutRawErrors = CountTreeErrors(engine, *raw, vote);  // kept for held-out cases
    result.heldOutPrunedErrors = CountTreeErrors(engine, pruned, vote);
    result.heldOutCases = engine.MaxItem() + 1;
  }
  engine.Cases.FreeCases();
  engine.AllocateWorkArrays();
  return Status::Ok();
}

}  // namespace quarry::pruning
