#pragma once
// The k-nearest-neighbour job: classifies every row of a test table against a training table of
// the same structure and writes the predictions into the test table's last column. The rows go
// to the table "Temporary" + test first; the test table is replaced only once they are all
// there, inside one transaction, so a failure leaves the test table as it was.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"
#include "core/jobs/work_time.h"
#include "core/knn/distance_kind.h"

namespace quarry {
class DataSource;
}

namespace quarry::knn {

inline constexpr const char* kInvalidK = "Please, insert a valid data type for K";
inline constexpr const char* kSelectTables = "Please, select train and test table";
inline constexpr const char* kNoCompatibleTests =
    "There aren't test tables of the same structure\nPlease, select another train table";
inline constexpr const char* kClassifying = "Classifing...";
inline constexpr const char* kClassified = "Classifing done, press View to see results";

struct KnnParams {
  std::string train;
  std::string test;
  std::string kText = "5";  // as typed: digits only, 1..number of training cases
  std::string qText;        // as typed: read as an integer; empty means 3
  bool weight = false;
  // Distance kinds by field name; fields not named use EUCLIDEAN.
  std::vector<std::pair<std::string, DistanceKind>> distances;
  unsigned threads = 0;  // 0: one per core
};

struct KnnResult {
  long trainCases = 0;
  long trainRowsWithoutClass = 0;  // rows of the training table left out: their class is NULL
  long testRows = 0;
  long long distances = 0;          // distances computed
  double classifySeconds = 0.0;     // wall time spent classifying
  double classifyCpuSeconds = 0.0;  // processor time of that, over all threads
  WorkTime time;
};

// "Attribute " + name + " type not valid for such a distance. Turned to Euclidean."
std::string VdmTurnedMessage(const std::string& attribute);

// What the user is told of training rows left out for their NULL class ("" when there are
// none): "2 rows of golf_data have no class and were left out of training".
std::string RowsWithoutClassMessage(long rows, const std::string& train);

// K as typed, or 0 when it is not digits only or outside 1..cases.
int ReadK(const std::string& text, size_t cases);

std::string TemporaryTableName(const std::string& test);

// Runs the job. `notice` receives the messages the dialog shows in a box (a VDM distance turned
// to EUCLIDEAN); `report` the input errors of the training table. Failures: kInvalidArgument
// with kInvalidK, kSelectTables or a message naming the bad parameter; kNotFound for a table or
// field that does not exist; kDatabase when a statement is refused; kCancelled.
Expected<KnnResult> RunKnn(DataSource& source, const KnnParams& params, std::ostream& report,
                           const std::function<void(const std::string&)>& notice,
                           Progress& progress = NoProgress());

// The tables the test list offers for `train`: every other table with the same column names and
// type names, column by column.
Expected<std::vector<std::string>> CompatibleTestTables(DataSource& source,
                                                        const std::string& train);

}  // namespace quarry::knn
