#include "core/modeltree/model_tree_job.h"

#include <ostream>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/data/sql_quote.h"
#include "core/data/table_columns.h"
#include "core/data/table_split.h"
#include "core/data/work_tables.h"
#include "core/data/working_folder.h"
#include "core/modeltree/description_length_pruning.h"
#include "core/modeltree/model_tree_grower.h"
#include "core/modeltree/reduced_error_pruning.h"
#include "core/modeltree/regression_grafting.h"
#include "core/treefiles/model_file.h"
#include "core/treefiles/model_rules_writer.h"
#include "core/treefiles/model_tree_writer.h"
#include "core/treefiles/tree_file_names.h"

namespace quarry::modeltree {

namespace {

CaseRange AllCases(ModelCaseStore& store) {
  return {store.Item.data(), store.LoadedTarget.data(), store.Count()};
}

}  // namespace

bool UsesPruningSet(PruneMode mode) {
  return mode != PruneMode::kNone && mode != PruneMode::kDescriptionLength;
}

ModelTreeEngine::ModelTreeEngine(DataSource& source, const StrataParameters& params,
                                 std::ostream& report, Progress& progress)
    : source_(source),
      params_(params),
      report_(report),
      progress_(progress),
      store_(report),
      stats_(report) {}

ModelTreeEngine::~ModelTreeEngine() = default;

Status ModelTreeEngine::CheckStopped() const {
  if (stats_.Fatal()) return FatalError(Distributions::FatalMessage());
  if (progress_.Cancelled()) return Cancelled("the model tree was cancelled");
  return Status::Ok();
}

Status ModelTreeEngine::LoadLike(ModelCaseStore& store, const std::string& table) {
  store.CopyAttributes(store_);
  return store.LoadCases(table, source_);
}

Expected<ModelTreeFiles> ModelTreeEngine::RunModelTree(const std::string& baseName,
                                                       const std::string& table) {
  pruned_.reset();
  grown_.reset();
  if (Status s = store_.LoadAttributes(table, source_); !s.ok()) return s;
  if (Status s = store_.LoadCases(table, source_); !s.ok()) return s;
  grownCases_ = store_.Count();
  ModelTreeGrower grower(store_, stats_, params_, progress_);
  grower.NodeCounter = nodeCounter_;
  grown_ = grower.Grow();
  nodeCounter_ = grower.NodeCounter;
  if (Status s = CheckStopped(); !s.ok()) return s;
  return Finish(baseName, grownCases_, *grown_, table);
}

Expected<ErrorMeasures> ModelTreeEngine::Evaluate(const ModelTreeNode& tree,
                                                  const std::string& table) {
  // The grower left residuals in the store: the table is read again.
  if (Status s = store_.LoadCases(table, source_); !s.ok()) return s;
  ErrorMeasures errors;
  const CaseRange all = AllCases(store_);
  errors.n = all.count;
  errors.syy = TotalSquares(all, store_.TargetCell());
  errors.ssRes = ResidualSquares(tree, all, store_.Att());
  return errors;
}

Expected<ModelTreeFiles> ModelTreeEngine::Finish(const std::string& baseName, int cases,
                                                 const ModelTreeNode& tree,
                                                 const std::string& evalTable) {
  ModelTreeFiles files;
  files.baseName = baseName;
  std::string treeText = treefiles::ModelTreeHeader(cases, store_.MaxAtt() + 1);
  treefiles::WriteModelTree(treeText, tree, store_.Att(), files.counts);
  std::string rulesText;
  treefiles::WriteModelRules(rulesText, tree, store_.Att(), cases);

  auto errors = Evaluate(tree, evalTable);
  if (!errors) return errors.status();
  files.errors = *errors;
  files.evaluatedOn = evalTable;
  const std::string errorLines =
      treefiles::ModelErrorLines(files.errors.Rmse(), files.errors.Ratio());
  treeText += errorLines;
  rulesText += errorLines;

  if (Status s = EnsureWorkingFolder(); !s.ok()) return s;
  files.tree = treefiles::TreeFilePath(baseName);
  files.rules = treefiles::RulesFilePath(baseName);
  for (const auto& [path, text] : {std::pair(&files.tree, &treeText), {&files.rules, &rulesText}}) {
    if (Status s = WriteResultFile(*path, *text); !s.ok()) files.notWritten.push_back(s.message());
  }
  // The tree with its exact figures, for applying it to other rows, beside the files written.
  if (files.notWritten.empty()) {
    if (Status s = treefiles::WriteModelTreeModelFile(tree, store_.Att(), cases,
                                                      treefiles::ModelFileFor(files.tree));
        !s.ok()) {
      files.notWritten.push_back(s.message());
    }
  }
  return files;
}

Expected<ModelTreeFiles> ModelTreeEngine::PruneReducedError(const std::string& evalTable,
                                                            const std::string& baseName,
                                                            const std::string& pruneTable,
                                                            const std::string& labelTable) {
  ModelCaseStore label(report_);
  ModelCaseStore prune(report_);
  if (Status s = LoadLike(label, labelTable); !s.ok()) return s;
  if (Status s = LoadLike(prune, pruneTable); !s.ok()) return s;
  pruned_ = grown_->Copy();
  ReducedErrorPruneNode(*pruned_, AllCases(prune), prune.Att(), AllCases(label), label.Att());
  return Finish(baseName, label.Count(), *pruned_, evalTable);
}

Expected<ModelTreeFiles> ModelTreeEngine::PruneRegression(const std::string& evalTable,
                                                          const std::string& baseName,
                                                          const std::string& pruneTable,
                                                          int grownCases) {
  ModelCaseStore prune(report_);
  if (Status s = LoadLike(prune, pruneTable); !s.ok()) return s;
  pruned_ = grown_->Copy();
  GraftByRegression(pruned_, AllCases(prune), prune.Att());
  return Finish(baseName, grownCases, *pruned_, evalTable);
}

Expected<ModelTreeFiles> ModelTreeEngine::PruneDescriptionLength(const std::string& evalTable,
                                                                 const std::string& baseName,
                                                                 const std::string& table) {
  if (Status s = store_.LoadCases(table, source_); !s.ok()) return s;
  const CaseRange all = AllCases(store_);
  pruned_ = grown_->Copy();
  DescriptionLengthPruneNode(*pruned_, all, store_.Att(), MakeCoding(all, store_.Att()));
  return Finish(baseName, all.count, *pruned_, evalTable);
}

std::string PrunedBaseName(PruneMode mode, const std::string& table, const std::string& growTable) {
  return (mode == PruneMode::kLabelsOnTrainingSet ? table : growTable) + "Pruned";
}

Expected<ModelTreeFiles> PruneGrownTree(ModelTreeEngine& engine, PruneMode mode,
                                        const std::string& table, const std::string& growTable,
                                        const std::string& pruneTable) {
  const std::string base = PrunedBaseName(mode, table, growTable);
  switch (mode) {
    case PruneMode::kLabelsOnGrowingSet:
      return engine.PruneReducedError(table, base, pruneTable, growTable);
    case PruneMode::kLabelsOnPruningSet:
      return engine.PruneReducedError(table, base, pruneTable, pruneTable);
    case PruneMode::kLabelsOnTrainingSet:
      return engine.PruneReducedError(table, base, pruneTable, table);
    case PruneMode::kRegressionGrafting:
      return engine.PruneRegression(table, base, pruneTable, engine.GrownCases());
    case PruneMode::kDescriptionLength:
      return engine.PruneDescriptionLength(table, base, growTable);
    case PruneMode::kNone:
      break;
  }
  return InvalidArgument("no pruning setting chosen");
}

Expected<long> TableRows(DataSource& source, const std::string& table) {
  return CountTableRows(source, table);
}

std::string ModelTreeSummary(const ModelTreeOutcome& outcome) {
  auto tree = [](const char* what, const ModelTreeFiles& files) {
    return std::string(what) + " " + files.baseName + ": " + std::to_string(files.counts.splits) +
           " split nodes, " + std::to_string(files.counts.regressions) + " regression nodes, " +
           std::to_string(files.counts.leaves) + " leaves\n" + "  tree:  " + files.tree.string() +
           "\n" + "  rules: " + files.rules.string() + "\n" + "  on " + files.evaluatedOn + " (" +
           std::to_string(files.errors.n) + " cases): " +
           Format("ERROR = %f, SSres/Syy = %f\n", files.errors.Rmse(), files.errors.Ratio());
  };
  std::string text = tree("grown tree", outcome.grown);
  if (outcome.pruned) text += tree("pruned tree", *outcome.pruned);
  return text;
}

Expected<ModelTreeOutcome> RunModelTreeJob(DataSource& source, const ModelTreeParams& params,
                                           std::ostream& report, Progress& progress) {
  if (params.table.empty()) return InvalidArgument("Please, select table");
  if (Status s = CheckTableName(params.table); !s.ok()) return s;
  if (Status s = Validate(params.strata); !s.ok()) return s;
  const PruneMode mode = params.prune;
  if (UsesPruningSet(mode) && (params.growingPercent < 1 || params.growingPercent > 99)) {
    return InvalidArgument("the growing set must be between 1 and 99 percent of the table");
  }
  DataSourceUser user(source);
  auto rows = TableRows(source, params.table);
  if (!rows) return rows.status();
  if (*rows == 0) return InvalidArgument("table " + params.table + " has no rows");
  WorkTables work(source);
  if (Status s = work.DropLeftovers(); !s.ok()) return s;
  if (!work.LeftoversDropped().empty()) report << LeftoversText(work.LeftoversDropped()) << "\n";
  std::string growTable = params.table;
  std::string pruneTable;
  if (UsesPruningSet(mode)) {
    growTable = params.table + "Grown";
    pruneTable = params.table + "Prune";
    if (Status s = work.Claim({growTable, pruneTable}); !s.ok()) return s;
    Rand rand;
    if (Status s = SplitTable(source, params.table, growTable, pruneTable, params.growingPercent,
                              rand, progress);
        !s.ok()) {
      return s;
    }
  }

  ModelTreeEngine engine(source, params.strata, report, progress);
  auto grown = engine.RunModelTree(growTable, growTable);
  if (!grown) return grown.status();
  ModelTreeOutcome outcome{*grown, std::nullopt, {}};
  std::vector<std::string> notWritten = grown->notWritten;
  if (mode != PruneMode::kNone) {
    auto pruned = PruneGrownTree(engine, mode, params.table, growTable, pruneTable);
    if (!pruned) return pruned.status();
    outcome.pruned = *pruned;
    notWritten.insert(notWritten.end(), pruned->notWritten.begin(), pruned->notWritten.end());
  }
  // A job whose files are not all there has not done its work.
  if (Status s = WithFilesNotWritten(Status::Ok(), notWritten); !s.ok()) return s;
  outcome.leftTables = work.DropAll();
  return outcome;
}

}  // namespace quarry::modeltree
