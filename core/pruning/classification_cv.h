#pragma once
// Classification k-fold cross-validation: the whole decision-tree job runs once per fold of a
// K-fold partition of the training table, on the fold's complement T_escluso_i, with the same
// options and pruning method; each fold gives the misclassified cases of its raw and its pruned
// tree among the fold T_i that was left out. The companion tables the method reads are partitioned
// alike, so that fold i finds them under the names it derives from T_escluso_i; every table the job
// makes is dropped at its end, and the tables a killed run left are dropped by the next run,
// which says so in its report.

#include <iosfwd>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"
#include "core/pruning/decision_tree_job.h"

namespace quarry {
class DataSource;
}

namespace quarry::pruning {

inline constexpr const char* kTreesCreated = "classification trees created";

struct ClassificationCvParameters {
  DecisionTreeParameters tree;  // the options dialog's fields and pruning method
  int folds = 10;               // "K fold"
};

struct FoldErrors {
  int raw = 0;     // misclassified cases of the raw tree
  int pruned = 0;  // and of the pruned tree
  int cases = 0;   // the cases they were counted on
};

struct ClassificationCvResult {
  std::vector<FoldErrors> folds;
  double meanRaw = 0;
  double meanPruned = 0;
  // The folds' result files that could not be written, and why; the job then fails with kIo
  // naming them, its figures filled.
  std::vector<std::string> warnings;
};

// The checks of the dialog's Execute, with its messages: a table is chosen, its name has the
// role suffix, the companion tables the method needs exist, and K is between 2 and the rows.
Status CheckCrossValidation(const ClassificationCvParameters& p, DataSource& source);

// Every table the job makes for `p`, in the order it makes them.
std::vector<std::string> CrossValidationTables(const ClassificationCvParameters& p);

// Runs the cross-validation. Reports "cross validation" for the partitioning (fold 0) and each
// fold in progress (1..K) through `progress`. Fails with the checks' messages, kBusy "method
// busy" while another job holds the engine, the engine's failure at the fold where it occurs.
// The tables it made are dropped whatever happens; the message says which could not be.
Status ClassificationCrossValidation(const ClassificationCvParameters& p, DataSource& source,
                                     std::ostream& report, Progress& progress,
                                     ClassificationCvResult& result);

// A result list line: the fold (1-based), its misclassified cases and their ratio to the cases.
std::string FoldLine(int fold, int errors, int cases);
// " Mean Error on Raw Trees" / "\n Mean Error on Pruned Trees" and the mean in exponent form.
std::string MeanRawText(double mean);
std::string MeanPrunedText(double mean);

}  // namespace quarry::pruning
