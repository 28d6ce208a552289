#pragma once
// The model-tree job: grows a model tree on a table, optionally prunes a copy of it with one of
// five settings, writes the tree and rules files of both into the working folder and evaluates
// them on the table (root mean square error and SSres/Syy).

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"
#include "core/modeltree/distributions.h"
#include "core/modeltree/model_case_store.h"
#include "core/modeltree/model_tree_node.h"
#include "core/modeltree/strata_parameters.h"
#include "core/modeltree/tree_evaluation.h"

namespace quarry {
class DataSource;
}

namespace quarry::modeltree {

enum class PruneMode {
  kNone = 0,
  kLabelsOnGrowingSet = 1,   // reduced-error pruning, leaves refitted on T + "Grown"
  kLabelsOnPruningSet = 2,   // reduced-error pruning, leaves refitted on T + "Prune"
  kLabelsOnTrainingSet = 3,  // reduced-error pruning, leaves refitted on T
  kRegressionGrafting = 4,   // "REG"
  kDescriptionLength = 5,    // "MDL"
};

// Settings 1 to 4 grow on T + "Grown" and prune on T + "Prune", both split from T.
bool UsesPruningSet(PruneMode mode);

struct ModelTreeParams {
  std::string table;
  StrataParameters strata;
  PruneMode prune = PruneMode::kNone;
  int growingPercent = 70;  // rows of T that go to T + "Grown"
};

// One tree written to the working folder.
struct ModelTreeFiles {
  std::string baseName;
  std::filesystem::path tree;
  std::filesystem::path rules;
  ModelTreeCounts counts;
  std::string evaluatedOn;  // the table of the error lines
  ErrorMeasures errors;
  // Why each file of the tree that could not be written was not; the tree itself stands.
  std::vector<std::string> notWritten;
};

// The runner: one case store, one tree and its pruned copy, per job.
class ModelTreeEngine {
 public:
  ModelTreeEngine(DataSource& source, const StrataParameters& params, std::ostream& report,
                  Progress& progress = NoProgress());
  ~ModelTreeEngine();

  // Loads `table`, grows the tree, writes baseName.tree and baseName.rules, each ending with the
  // error lines of the tree over `table`. A file that cannot be written (a full disk) does not
  // fail the run: it is named in the result's notWritten, as by the pruning runs below.
  Expected<ModelTreeFiles> RunModelTree(const std::string& baseName, const std::string& table);

  // Prune a copy of the grown tree and write it as baseName; the error lines are over
  // `evalTable`. Every table must have the grown table's columns.
  Expected<ModelTreeFiles> PruneReducedError(const std::string& evalTable,
                                             const std::string& baseName,
                                             const std::string& pruneTable,
                                             const std::string& labelTable);
  Expected<ModelTreeFiles> PruneRegression(const std::string& evalTable,
                                           const std::string& baseName,
                                           const std::string& pruneTable, int grownCases);
  Expected<ModelTreeFiles> PruneDescriptionLength(const std::string& evalTable,
                                                  const std::string& baseName,
                                                  const std::string& table);

  // SSres, Syy and N of a tree over a table of the grown table's structure.
  Expected<ErrorMeasures> Evaluate(const ModelTreeNode& tree, const std::string& table);

  const ModelTreeNode* Grown() const { return grown_.get(); }
  const ModelTreeNode* Pruned() const { return pruned_.get(); }
  // Case count of the table the tree was grown on.
  int GrownCases() const { return grownCases_; }

 private:
  Status CheckStopped() const;
  Expected<ModelTreeFiles> Finish(const std::string& baseName, int cases, const ModelTreeNode& tree,
                                  const std::string& evalTable);
  Status LoadLike(ModelCaseStore& store, const std::string& table);

  DataSource& source_;
  StrataParameters params_;
  std::ostream& report_;
  Progress& progress_;
  ModelCaseStore store_;
  Distributions stats_;
  int32_t nodeCounter_ = 0;
  int grownCases_ = 0;
  std::unique_ptr<ModelTreeNode> grown_;
  std::unique_ptr<ModelTreeNode> pruned_;
};

// The base name of the pruned files: T + "Pruned" for settings 3 and 5 (for 5 the growing
// table is T itself), the growing table + "Pruned" otherwise.
std::string PrunedBaseName(PruneMode mode, const std::string& table, const std::string& growTable);

// Prunes the engine's grown tree as `mode` says. `table` is T (labels of setting 3, the error
// lines), `growTable` the table the tree grew on, `pruneTable` the pruning set of settings 1-4.
Expected<ModelTreeFiles> PruneGrownTree(ModelTreeEngine& engine, PruneMode mode,
                                        const std::string& table, const std::string& growTable,
                                        const std::string& pruneTable);

// The number of rows of `table`; fails when the table cannot be read.
Expected<long> TableRows(DataSource& source, const std::string& table);

struct ModelTreeOutcome {
  ModelTreeFiles grown;
  std::optional<ModelTreeFiles> pruned;
  std::vector<std::string> leftTables;  // work tables that could not be dropped
};

// What a finished job says of its trees, as quarry-cli prints it and the dialog shows it: for the
// grown and the pruned tree, its node counts, its files, and its errors on the table it was
// evaluated on ("grown tree T: 3 split nodes, ...").
std::string ModelTreeSummary(const ModelTreeOutcome& outcome);

// The whole job. Work tables (T + "Grown", T + "Prune") are refused when they exist already and
// dropped at the end, also when the job fails. Files that cannot be written fail the job once
// both trees are made, naming each.
Expected<ModelTreeOutcome> RunModelTreeJob(DataSource& source, const ModelTreeParams& params,
                                           std::ostream& report, Progress& progress = NoProgress());

}  // namespace quarry::modeltree
