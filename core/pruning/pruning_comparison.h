#pragma once
// The pruning methods side by side: the tree is grown once from the training table B_data, a
// copy of it is pruned by every chosen method, and each pruned tree is counted on the training
// table, the pruning table B_prune and the test table B_test where they exist. One row per
// method (pruned, skipped for a table it lacks, or failed with its message), the best by test
// errors and the smallest tree within one standard error of it marked.
//
// "Grown once": every method prunes a copy of the one tree grown on B_data, from the training
// cases as growing left them. The fold-table methods also grow the ten fold trees of B_xt1..10,
// once for all of them; the iterative method, defined on the halves B_train1 and B_train2, grows
// its own tree on B_train1 (its training column counts B_train, as its own job does). The job
// makes no table.

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"
#include "core/pruning/decision_tree_job.h"

namespace quarry {
class DataSource;
}

namespace quarry::pruning {

struct ComparisonParameters {
  // The training table, the engine's options and the m values; method and windowing are not
  // read (every tree is grown in one batch).
  DecisionTreeParameters tree;
  std::vector<int> methods;  // method codes; empty: every method
};

// Errors of a tree on one table; no table when it does not exist.
struct TableErrors {
  std::string table;
  int errors = 0;
  int cases = 0;
  bool Counted() const { return !table.empty(); }
  double Percent() const { return cases > 0 ? 100.0 * errors / cases : 0.0; }
};

enum class RowOutcome { kPruned, kSkipped, kFailed };

struct ComparisonRow {
  int method = 0;  // -1 for the grown tree
  std::string name;
  RowOutcome outcome = RowOutcome::kPruned;
  std::string message;  // why it was skipped or failed; where its tree was grown
  int leaves = 0;
  int depth = 0;
  TableErrors training, prune, test;
  std::optional<double> estimate;  // the error the method expected of its tree, percent
  double seconds = 0;              // pruning (the iterative method: growing too)
  bool best = false;               // fewest test errors
  bool withinOneSE = false;        // smallest tree within one standard error of the best
  std::filesystem::path treeFile, rulesFile;
};

struct ComparisonResult {
  ComparisonRow grown;                       // the tree as grown, and the time growing it took
  std::vector<ComparisonRow> rows;           // one per chosen method, in code order
  long grownNodes = 0;                       // nodes grown from the training table and its folds
  std::vector<std::filesystem::path> files;  // written, in order
  std::vector<std::string> warnings;         // files that could not be written, and why
};

// The tables method `code` reads besides the training table `stem` (B_data) that are not in
// `catalog`, and a reason it cannot run that no table gives (no m values); empty when it can.
std::string MissingForMethod(const std::string& stem, int code, const std::string& mValues,
                             const std::vector<std::string>& catalog);

// Runs the comparison, reporting "growing" and each method by its name through `progress`.
// Fails with kBusy "method busy" while another job holds the engine, kNotFound when the
// training table (or test/pruning table it names) is not usable, the engine's failure when the
// tree cannot be grown, kCancelled when stopped; a method that fails only fails its row.
// Writes B_data_compare.txt and .csv and each method's tree and rules as B_data_METHOD; a file
// that cannot be written fails the job (kIo, each named) once the others are written.
Status ComparePruningMethods(const ComparisonParameters& p, DataSource& source,
                             std::ostream& report, Progress& progress, ComparisonResult& result);

// The table as quarry-cli prints it and B_data_compare.txt holds it.
std::string ComparisonText(const ComparisonResult& result);
// One line per row, with a heading line; numbers unformatted, texts quoted when needed.
std::string ComparisonCsv(const ComparisonResult& result);

}  // namespace quarry::pruning
