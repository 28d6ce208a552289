#include "core/cluster/clustering_job.h"

#include <algorithm>
#include <chrono>

#include "core/cluster/cluster_tables.h"
#include "core/cluster/clusterer.h"
#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/prepared_statement.h"
#include "core/data/row_inserter.h"
#include "core/data/sql_quote.h"
#include "core/data/working_folder.h"

namespace quarry::cluster {

namespace {

// Rows written to the cluster table at once.
constexpr size_t kBatchRows = 512;
// Rows that one UPDATE moves to a cluster, and such statements sent at once: the SQLite driver
// compiles every statement it runs, so moving many rows per statement is what saves work.
constexpr size_t kRowsPerMove = 100;
constexpr size_t kMovesPerBatch = 8;

// Times a piece of database work into the job's database time and into one of its parts.
class DatabaseStep {
 public:
  DatabaseStep(WorkTime& time, double& part) : total_(time.databaseSeconds), part_(part) {}

 private:
  TimedSection total_;
  TimedSection part_;
};

std::vector<ParamKind> MoveRowsKinds() {
  return std::vector<ParamKind>(kRowsPerMove + 1, ParamKind::kInteger);
}

bool IsClusterable(const std::vector<std::string>& types) {
  return std::none_of(types.begin(), types.end(),
                      [](const std::string& t) { return t == "string" || t == "timestamp"; });
}

// A value as the engine reads it: decimal comma as point, text that is no number as 0.
double ValueOf(std::string text) {
  ReplaceAllInPlace(text, ',', '.');
  double value = 0.0;
  ParseDecimal(text, value);
  return value;
}

// The connect string record in the working folder is emptied when clustering starts and ends.
void EmptyConnectRecord() {
  if (EnsureWorkingFolder().ok())
    WriteResultFile(WorkingFile("prova.txt"), "", /*privateFile=*/true);
}

class ClusteringRun {
 public:
  ClusteringRun(DataSource& source, const ClusteringParams& params, Rand& rand, Progress& progress)
      : source_(source),
        params_(params),
        rand_(rand),
        progress_(progress),
        clusterTable_(ClusterTableName(params.table)) {}

  Expected<ClusteringResult> Run();

 private:
  Status CreateClusterTable();
  Status RandomStart(Clusterer& clusterer);
  Status Refine(Clusterer& clusterer);
  Status RefineAndStore(Clusterer& clusterer, const std::vector<double>& storedClusters,
                        PreparedStatement& moveRows);
  Status WriteStatistics(const Clusterer& clusterer);
  Status Refused(const std::string& what) {
    return DatabaseError(what + ": " + source_.LastError());
  }
  bool Execute(const std::string& sql) {
    TimedSection timed(result_.time.databaseSeconds);
    return source_.Execute(sql);
  }
  bool DropIfPresent(const std::string& table) {
    TimedSection timed(result_.time.databaseSeconds);
    return !source_.TableExists(table) || source_.DropTable(table);
  }

  DataSource& source_;
  const ClusteringParams& params_;
  Rand& rand_;
  Progress& progress_;
  const std::string clusterTable_;
  std::vector<std::string> names_;  // T's columns
  std::vector<std::string> types_;
  std::vector<std::string> clusterNames_;  // T's columns and the three the cluster table adds
  std::vector<std::string> clusterTypes_;
  ClusteringResult result_;
  double quality_ = 0.0;  // Quality() after the last pass, carried from block to block
  std::vector<std::pair<int64_t, int64_t>> moved_;  // scratch of RefineAndStore
};

Status ClusteringRun::CreateClusterTable() {
  if (!DropIfPresent(clusterTable_)) return Refused("cannot drop table " + clusterTable_);
  // One statement: a primary key cannot be added to an existing table on every database.
  std::vector<std::string> types = clusterTypes_;
  types.back() += " PRIMARY KEY";
  TimedSection timed(result_.time.databaseSeconds);
  if (!source_.CreateTable(clusterTable_, clusterNames_, types))
    return Refused("cannot create table " + clusterTable_);
  return Status::Ok();
}

Status ClusteringRun::RandomStart(Clusterer& clusterer) {
  const size_t p = names_.size();
  std::vector<std::string> values;
  std::vector<double> x(p);
  RowInserter inserter(source_, clusterTable_, clusterNames_, clusterTypes_, kBatchRows);
  bool more;
  {
    DatabaseStep timed(result_.time, result_.writingSeconds);
    if (!inserter.Prepare())
      return DatabaseError("cannot write " + clusterTable_ + ": " + inserter.LastError());
  }
  {
    DatabaseStep timed(result_.time, result_.groupingSeconds);
    if (!source_.Query(DistinctRowsSql(params_.table, names_)))
      return Refused("cannot group the rows of " + params_.table);
    more = source_.FirstRow(values);
  }
  long i = 0;
  for (; more; ++i) {
    if (values.size() != p + 1)
      return DatabaseError("the grouped rows of " + params_.table + " have the wrong columns");
    const int r = rand_.Next() % clusterer.K();
    for (size_t j = 0; j < p; ++j) x[j] = ValueOf(values[j]);
    const double w = ValueOf(values[p]);
    clusterer.AddToCluster(x.data(), w, r);
    values.push_back(std::to_string(r));
    values.push_back(std::to_string(i));
    {
      DatabaseStep timed(result_.time, result_.writingSeconds);
      if (!inserter.AddRow(values)) {
        return DatabaseError("cannot write row " + std::to_string(i) + " of " + clusterTable_ +
                             ": " + inserter.LastError());
      }
    }
    {
      DatabaseStep timed(result_.time, result_.groupingSeconds);
      more = source_.NextRow(values);
    }
    if ((i + 1) % 10000 == 0) {
      progress_.Update("clustering: grouping", i + 1, -1);
      if (progress_.Cancelled()) return Cancelled("clustering cancelled");
    }
  }
  DatabaseStep timed(result_.time, result_.writingSeconds);
  if (!inserter.Flush())
    return DatabaseError("cannot write table " + clusterTable_ + ": " + inserter.LastError());
  result_.distinctRows = i;
  return Status::Ok();
}

// Refines the block in work and writes the cluster of every row that moved.
Status ClusteringRun::RefineAndStore(Clusterer& clusterer,
                                     const std::vector<double>& storedClusters,
                                     PreparedStatement& moveRows) {
  const int p = clusterer.P();
  result_.passes += clusterer.RefineBlock(quality_);
  // (cluster, row) of every row that moved, so that one statement moves many rows to a cluster.
  moved_.clear();
  for (size_t i = 0; i < clusterer.BlockRows(); ++i) {
    const double* row = clusterer.Row(i);
    if (row[p + 1] != storedClusters[i])
      moved_.emplace_back(static_cast<int64_t>(row[p + 1]), static_cast<int64_t>(row[p + 2]));
  }
  std::sort(moved_.begin(), moved_.end());
  DatabaseStep timed(result_.time, result_.movingSeconds);
  for (size_t first = 0; first < moved_.size();) {
    const int64_t cluster = moved_[first].first;
    moveRows.SetInteger(0, cluster);
    size_t n = 0;
    for (; n < kRowsPerMove && first + n < moved_.size() && moved_[first + n].first == cluster; ++n)
      moveRows.SetInteger(1 + n, moved_[first + n].second);
    first += n;  // the parameters left unset are NULL and name no row
    if (!moveRows.AddRow())
      return DatabaseError("cannot update table " + clusterTable_ + ": " + moveRows.LastError());
  }
  return Status::Ok();
}

Status ClusteringRun::Refine(Clusterer& clusterer) {
  const long m = result_.distinctRows;
  const size_t blockRows = static_cast<size_t>(std::min(m / 10 + 1, m));
  result_.blockRows = static_cast<long>(blockRows);
  quality_ = clusterer.Quality();
  if (blockRows == 0) return Status::Ok();
  const size_t width = static_cast<size_t>(clusterer.RowWidth());
  std::vector<std::string> values;
  std::vector<double> storedClusters;
  PreparedStatement moveRows(source_, MoveRowsSql(params_.table, kRowsPerMove), MoveRowsKinds(),
                             kMovesPerBatch);
  bool more;
  {
    DatabaseStep timed(result_.time, result_.readingSeconds);
    if (!moveRows.Prepare())
      return DatabaseError("cannot update table " + clusterTable_ + ": " + moveRows.LastError());
    if (!source_.Query(SelectAllFrom(clusterTable_) + " order by " + QuoteIdent(kRowColumn))) {
      return Refused("cannot read table " + clusterTable_);
    }
    more = source_.FirstRow(values);
  }
  clusterer.StartBlock();
  long done = 0;
  while (more) {
    if (values.size() != width)
      return DatabaseError("table " + clusterTable_ + " has the wrong columns");
    for (const std::string& value : values) clusterer.Block().push_back(ValueOf(value));
    const double cluster = clusterer.Block()[clusterer.Block().size() - 2];
    if (!(cluster >= 0 && cluster < clusterer.K()))
      return DatabaseError("table " + clusterTable_ + " holds a cluster number out of range");
    storedClusters.push_back(cluster);
    {
      DatabaseStep timed(result_.time, result_.readingSeconds);
      more = source_.NextRow(values);
    }
    ++done;
    if (clusterer.BlockRows() == blockRows || !more) {
      if (Status s = RefineAndStore(clusterer, storedClusters, moveRows); !s.ok()) return s;
      clusterer.StartBlock();
      storedClusters.clear();
      progress_.Update("clustering: refining", done, m);
      if (progress_.Cancelled()) return Cancelled("clustering cancelled");
    }
  }
  result_.moves = clusterer.Moves();
  DatabaseStep timed(result_.time, result_.movingSeconds);
  if (!moveRows.Flush())
    return DatabaseError("cannot update table " + clusterTable_ + ": " + moveRows.LastError());
  return Status::Ok();
}

Status ClusteringRun::WriteStatistics(const Clusterer& clusterer) {
  const std::string table = StatisticTableName(params_.table);
  if (!DropIfPresent(table)) return Refused("cannot drop table " + table);
  if (!Execute(StatisticTableCreateSql(params_.table, names_)))
    return Refused("cannot create table " + table);
  for (const ClusterStats& stats : clusterer.Stats()) {
    if (!Execute(StatisticRowInsertSql(params_.table, stats)))
      return Refused("cannot write table " + table);
  }
  return Status::Ok();
}

Expected<ClusteringResult> ClusteringRun::Run() {
  const auto start = std::chrono::steady_clock::now();
  {
    TimedSection timed(result_.time.databaseSeconds);
    if (!source_.FieldTypes(SelectAllFrom(params_.table), names_, types_) || names_.empty()) {
      return NotFound("cannot read table " + params_.table + ": " + source_.LastError());
    }
  }
  if (!IsClusterable(types_)) {
    return InvalidArgument("table " + params_.table +
                           " has string or timestamp columns; clustering needs numeric columns");
  }
  clusterNames_ = names_;
  clusterNames_.insert(clusterNames_.end(), {kFrequenceColumn, kClusterColumn, kRowColumn});
  clusterTypes_ = types_;
  clusterTypes_.insert(clusterTypes_.end(), {"integer", "integer", "integer"});
  if (!source_.BeginTransaction()) return Refused("cannot start a transaction");
  Clusterer clusterer(params_.k, static_cast<int>(names_.size()));
  Status status = CreateClusterTable();
  if (status.ok()) status = RandomStart(clusterer);
  if (status.ok()) status = Refine(clusterer);
  if (status.ok()) status = WriteStatistics(clusterer);
  if (status.ok()) {
    TimedSection timed(result_.time.databaseSeconds);
    if (!source_.Commit()) status = Refused("cannot commit the clustering");
  }
  if (!status.ok()) {
    source_.Rollback();
    return status;
  }
  result_.clusters = clusterer.Stats();
  const double total =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result_.time.memorySeconds = std::max(0.0, total - result_.time.databaseSeconds);
  return result_;
}

}  // namespace

int ReadClusterNumber(std::string_view text) {
  return static_cast<int>(std::max(DigitsValue(text, kMaxClusters), 0L));
}

Expected<ClusteringResult> RunClustering(DataSource& source, const ClusteringParams& params,
                                         Rand& rand, Progress& progress) {
  if (params.table.empty() || params.k < 1 || params.k > kMaxClusters)
    return InvalidArgument(kInsertParameters);
  DataSourceUser user(source);
  ExclusiveUse exclusive(source);
  EmptyConnectRecord();
  auto result = ClusteringRun(source, params, rand, progress).Run();
  EmptyConnectRecord();
  return result;
}

Expected<std::vector<std::string>> ClusterableTables(DataSource& source) {
  ExclusiveUse exclusive(source);
  std::vector<std::string> tables;
  if (!source.ListTables(tables))
    return DatabaseError("cannot list the tables: " + source.LastError());
  std::vector<std::string> clusterable;
  std::vector<std::string> names;
  std::vector<std::string> types;
  for (const std::string& table : tables) {
    if (source.FieldTypes(SelectAllFrom(table), names, types) && IsClusterable(types))
      clusterable.push_back(table);
  }
  return clusterable;
}

}  // namespace quarry::cluster
