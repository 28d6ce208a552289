#include "core/knn/knn_job.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <limits>
#include <memory>
#include <ostream>

#include "core/common/fcvt.h"
#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/row_inserter.h"
#include "core/data/sql_quote.h"
#include "core/data/table_columns.h"
#include "core/knn/knn_cases.h"
#include "core/knn/knn_classifier.h"

namespace quarry::knn {

namespace {

// Test rows classified together: enough to share each pass over the training cases, few enough
// to keep their texts in memory.
constexpr size_t kBatchRows = 256;

bool SameStructure(const TableColumns& a, const TableColumns& b) {
  return a.names == b.names && a.types == b.types;
}

// q as typed: the leading integer of the text (0 when there is none); 3 when empty.
double ReadQ(const std::string& text) {
  if (text.empty()) return 3.0;
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long q = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && q < 1000000; ++i) {
    q = q * 10 + (text[i] - '0');
  }
  return static_cast<double>(negative ? -q : q);
}

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string PredictionText(const KnnCases& cases, const Prediction& prediction) {
  if (cases.numericClass) return FiveDecimalText(prediction.value);
  return cases.att.ClassName[static_cast<size_t>(prediction.classNo)];
}

class KnnRun {
 public:
  KnnRun(DataSource& source, const KnnParams& params, std::ostream& report,
         const std::function<void(const std::string&)>& notice, Progress& progress)
      : source_(source),
        params_(params),
        report_(report),
        notice_(notice),
        progress_(progress),
        temporary_(TemporaryTableName(params.test)) {}

  Expected<KnnResult> Run();

 private:
  Expected<KnnSettings> Settings(const KnnCases& cases);
  Status ClassifyInto(KnnClassifier& classifier, const KnnCases& cases);
  Status ClassifyBatch(KnnClassifier& classifier, const KnnCases& cases,
                       std::vector<std::vector<std::string>>& rows);
  Status ReplaceTest();
  Status Refused(const std::string& what) {
    return DatabaseError(what + ": " + source_.LastError());
  }

  DataSource& source_;
  const KnnParams& params_;
  std::ostream& report_;
  const std::function<void(const std::string&)>& notice_;
  Progress& progress_;
  const std::string temporary_;
  std::unique_ptr<RowInserter> inserter_;  // into temporary_
  TableColumns columns_;
  KnnResult result_;
};

Expected<KnnSettings> KnnRun::Settings(const KnnCases& cases) {
  KnnSettings settings;
  settings.kinds.assign(static_cast<size_t>(cases.Attributes()), kDefaultDistance);
  for (const auto& [field, kind] : params_.distances) {
    const auto at = std::find(columns_.names.begin(), columns_.names.end(), field);
    if (at == columns_.names.end())
      return NotFound("no field " + field + " in table " + params_.train);
    const size_t a = static_cast<size_t>(at - columns_.names.begin());
    if (a + 1 == columns_.names.size()) {
      return InvalidArgument(field + " is the class column of " + params_.train +
                             " and has no distance");
    }
    settings.kinds[a] = kind;
  }
  bool minkowski = false;
  for (int a = 0; a < cases.Attributes(); ++a) {
    DistanceKind& kind = settings.kinds[static_cast<size_t>(a)];
    if (kind == DistanceKind::kVdm && !cases.IsDiscrete(a)) {
      if (notice_) notice_(VdmTurnedMessage(cases.att.AttName[static_cast<size_t>(a)]));
      kind = DistanceKind::kEuclidean;
    }
    minkowski = minkowski || kind == DistanceKind::kMinkowski;
  }
  settings.q = ReadQ(params_.qText);
  // q = 0 would raise the sum to an infinite power and make every distance infinite.
  if (minkowski && settings.q < 1.0)
    return InvalidArgument("Please, insert a valid value for q (a whole number of at least 1)");
  settings.K = ReadK(params_.kText, cases.Count());
  if (settings.K == 0) return InvalidArgument(kInvalidK);
  settings.weight = params_.weight;
  return settings;
}

Status KnnRun::ClassifyBatch(KnnClassifier& classifier, const KnnCases& cases,
                             std::vector<std::vector<std::string>>& rows) {
  const size_t width = static_cast<size_t>(std::max(cases.Attributes(), 1));
  std::vector<dtree::AttValue> cells(rows.size() * width);
  std::vector<const dtree::AttValue*> tests(rows.size());
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = ProcessCpuSeconds();
  for (size_t r = 0; r < rows.size(); ++r) {
    ParseTestCase(cases, rows[r], cells.data() + r * width);
    tests[r] = cells.data() + r * width;
  }
  const std::vector<Prediction> predictions = classifier.Classify(tests);
  result_.classifySeconds +=
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result_.classifyCpuSeconds += ProcessCpuSeconds() - cpuStart;
  TimedSection timed(result_.time.databaseSeconds);
  for (size_t r = 0; r < rows.size(); ++r) {
    rows[r].back() = PredictionText(cases, predictions[r]);
    if (!inserter_->AddRow(rows[r])) {
      return DatabaseError("cannot write row " +
                           std::to_string(result_.testRows + static_cast<long>(r) + 1) + " of " +
                           params_.test + " into " + temporary_ + ": " + inserter_->LastError());
    }
  }
  result_.testRows += static_cast<long>(rows.size());
  rows.clear();
  progress_.Update("knn: classifying", result_.testRows, -1);
  if (progress_.Cancelled()) return Cancelled("classification cancelled");
  return Status::Ok();
}

Status KnnRun::ClassifyInto(KnnClassifier& classifier, const KnnCases& cases) {
  {
    TimedSection timed(result_.time.databaseSeconds);
    if (!source_.CreateTableLike(temporary_, params_.test))
      return Refused("cannot create table " + temporary_);
    inserter_ = std::make_unique<RowInserter>(source_, temporary_, columns_.names, columns_.types,
                                              kBatchRows);
    if (!inserter_->Prepare())
      return DatabaseError("cannot write table " + temporary_ + ": " + inserter_->LastError());
    if (!source_.Query(SelectAllFrom(params_.test)))
      return Refused("cannot read table " + params_.test);
  }
  std::vector<std::vector<std::string>> rows;
  rows.reserve(kBatchRows);
  std::vector<std::string> row;
  bool more;
  {
    TimedSection timed(result_.time.databaseSeconds);
    more = source_.FirstRow(row);
  }
  while (more) {
    if (row.size() != columns_.names.size())
      return DatabaseError("table " + params_.test + " gave a row of the wrong width");
    rows.push_back(std::move(row));
    if (rows.size() == kBatchRows) {
      if (Status s = ClassifyBatch(classifier, cases, rows); !s.ok()) return s;
    }
    TimedSection timed(result_.time.databaseSeconds);
    more = source_.NextRow(row);
  }
  if (!rows.empty()) {
    if (Status s = ClassifyBatch(classifier, cases, rows); !s.ok()) return s;
  }
  TimedSection timed(result_.time.databaseSeconds);
  if (!inserter_->Flush()) {
    return DatabaseError("cannot write the rows of " + params_.test + " into " + temporary_ + ": " +
                         inserter_->LastError());
  }
  return Status::Ok();
}

// Inside the job's transaction: a refused statement rolls the old test table back.
Status KnnRun::ReplaceTest() {
  TimedSection timed(result_.time.databaseSeconds);
  if (!source_.DropTable(params_.test)) return Refused("cannot replace table " + params_.test);
  if (!source_.CreateTableLike(params_.test, temporary_)) {
    return Refused("cannot replace table " + params_.test);
  }
  if (!source_.Execute("insert into " + QuoteIdent(params_.test) + " " +
                       SelectAllFrom(temporary_))) {
    return Refused("cannot fill table " + params_.test);
  }
  if (!source_.DropTable(temporary_)) return Refused("cannot drop table " + temporary_);
  return Status::Ok();
}

Expected<KnnResult> KnnRun::Run() {
  const auto start = std::chrono::steady_clock::now();
  if (params_.train.empty() || params_.test.empty()) return InvalidArgument(kSelectTables);
  if (params_.train == params_.test)
    return InvalidArgument("the train and test tables must be different tables");
  Expected<KnnCases> cases = InvalidArgument("");
  {
    TimedSection timed(result_.time.databaseSeconds);
    auto train = ReadTableColumns(source_, params_.train);
    if (!train) return train.status();
    columns_ = std::move(*train);
    auto test = ReadTableColumns(source_, params_.test);
    if (!test) return test.status();
    if (!SameStructure(columns_, *test)) {
      return InvalidArgument("table " + params_.test + " has not the columns and types of table " +
                             params_.train);
    }
    if (source_.TableExists(temporary_)) {
      return InvalidArgument("table " + temporary_ + " exists already: drop or rename it first");
    }
    cases =
        LoadKnnCases(source_, params_.train, columns_.names, columns_.types, report_, progress_);
    if (!cases) return cases.status();
  }
  result_.trainCases = static_cast<long>(cases->Count());
  result_.trainRowsWithoutClass = cases->withoutClass;
  if (cases->Count() == 0 && cases->withoutClass > 0) {
    return InvalidArgument(RowsWithoutClassMessage(cases->withoutClass, params_.train) +
                           ": there is nothing to train on");
  }
  auto settings = Settings(*cases);
  if (!settings) return settings.status();
  KnnClassifier classifier(*cases, std::move(*settings), params_.threads);

  if (!source_.BeginTransaction()) return Refused("cannot start a transaction");
  Status status = ClassifyInto(classifier, *cases);
  if (status.ok()) status = ReplaceTest();
  if (status.ok()) {
    TimedSection timed(result_.time.databaseSeconds);
    if (!source_.Commit()) status = Refused("cannot commit the classification");
  }
  if (!status.ok()) {
    source_.Rollback();
    // A database without transactional DDL may keep the scratch table; the test table was never
    // dropped before its replacement was complete.
    if (source_.TableExists(temporary_) && source_.TableExists(params_.test))
      source_.DropTable(temporary_);
    return status;
  }
  result_.distances = classifier.DistanceCount();
  const double total =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result_.time.memorySeconds = std::max(0.0, total - result_.time.databaseSeconds);
  return result_;
}

}  // namespace

std::string VdmTurnedMessage(const std::string& attribute) {
  return "Attribute " + attribute + " type not valid for such a distance. Turned to Euclidean.";
}

std::string RowsWithoutClassMessage(long rows, const std::string& train) {
  if (rows <= 0) return "";
  return std::to_string(rows) + (rows == 1 ? " row of " : " rows of ") + train +
         (rows == 1 ? " has no class and was" : " have no class and were") +
         " left out of training";
}

int ReadK(const std::string& text, size_t cases) {
  const long limit = static_cast<long>(std::min<size_t>(cases, std::numeric_limits<int>::max()));
  const long k = DigitsValue(text, limit);
  return k >= 1 && k <= limit ? static_cast<int>(k) : 0;
}

std::string TemporaryTableName(const std::string& test) { return "Temporary" + test; }

Expected<KnnResult> RunKnn(DataSource& source, const KnnParams& params, std::ostream& report,
                           const std::function<void(const std::string&)>& notice,
                           Progress& progress) {
  DataSourceUser user(source);
  ExclusiveUse exclusive(source);
  return KnnRun(source, params, report, notice, progress).Run();
}

Expected<std::vector<std::string>> CompatibleTestTables(DataSource& source,
                                                        const std::string& train) {
  ExclusiveUse exclusive(source);
  auto columns = ReadTableColumns(source, train);
  if (!columns) return columns.status();
  std::vector<std::string> tables;
  if (!source.ListTables(tables))
    return DatabaseError("cannot list the tables: " + source.LastError());
  std::vector<std::string> compatible;
  for (const std::string& table : tables) {
    if (table == train) continue;
    TableColumns other;
    if (source.FieldTypes(SelectAllFrom(table), other.names, other.types) &&
        SameStructure(*columns, other)) {
      compatible.push_back(table);
    }
  }
  return compatible;
}

}  // namespace quarry::knn
