// Clustering and k-nearest-neighbour on large SQLite tables.
//
//   cluster_knn [--cluster-rows N] [--train-rows N] [--test-rows N] [--threads T] [--no-knn 1]
//
// Clustering: N rows (default 1,000,000) made of N/10 distinct rows of 10 continuous attributes,
// K = 5. kNN: T test rows (default 1,000) against N training rows (default 1,000,000) of 10
// continuous and 5 discrete attributes and a discrete class, K = 5, default distances. Prints
// each job's time split into database and in-memory work, and the kNN distance rate.
//
// Database work is time spent inside the data source: the statements, the database's own work
// (SQLite runs in this process) and turning values to and from text. In-memory work is the rest
// of the job. For clustering the benchmark also measures the floor of its database side: the
// grouping query read whole and one read of the cluster table, which any clustering that groups
// in the database and keeps its result there must spend.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "core/cluster/cluster_tables.h"
#include "core/cluster/clustering_job.h"
#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/knn/knn_job.h"

using namespace quarry;

namespace {

// Processor time of the whole process, all threads: on a shared machine the wall time also
// counts the time other programs had the cores.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Run(DataSource& source, const std::string& sql) {
  if (!source.Execute(sql)) {
    std::cerr << "refused: " << sql << "\n" << source.LastError() << "\n";
    std::exit(1);
  }
}

// Rows 0..n-1 of a counter table, made by doubling (SQLite has no generate_series here).
void MakeCounter(DataSource& source, long n) {
  Run(source, "create table counter (x integer primary key)");
  Run(source, "insert into counter values (0)");
  for (long have = 1; have < n; have *= 2) {
    Run(source, "insert into counter select x + " + std::to_string(have) +
                    " from counter where x + " + std::to_string(have) + " < " + std::to_string(n));
  }
}

// A deterministic pseudo-random number in 0..range-1 from the row number and a salt: the high
// half of a multiplicative hash (odd multipliers, so rows never collide in all attributes).
std::string Scatter(const std::string& x, int salt, int range) {
  return "(((" + x + " * " + std::to_string(2654435761LL + 2LL * salt * 7919) +
         ") % 4294967296) / 65536 % " + std::to_string(range) + ")";
}

// Wall and processor seconds of reading a statement's rows whole through the data source.
std::pair<double, double> ReadWhole(DataSource& source, const std::string& sql) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = CpuSeconds();
  ExclusiveUse exclusive(source);
  if (!source.Query(sql)) {
    std::cerr << "refused: " << sql << "\n" << source.LastError() << "\n";
    std::exit(1);
  }
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
  }
  return {Seconds(start), CpuSeconds() - cpu};
}

void MakeClusterTable(DataSource& source, long rows) {
  const long distinct = rows / 10;
  std::string select = "select ";
  std::string create = "create table clusterbench (";
  for (int a = 0; a < 10; ++a) {
    if (a > 0) {
      select += ", ";
      create += ", ";
    }
    create += "a" + std::to_string(a) + " real";
    // The first attribute alone tells the distinct rows apart.
    const std::string base = "(x % " + std::to_string(distinct) + ")";
    select += a == 0 ? base + " / 10.0" : Scatter(base, a, 1000) + " / 10.0";
  }
  Run(source, create + ")");
  Run(source,
      "insert into clusterbench " + select + " from counter where x < " + std::to_string(rows));
}

void MakeKnnTable(DataSource& source, const std::string& table, long rows, int salt) {
  std::string create = "create table " + table + " (";
  std::string select = "select ";
  const std::string x = "(x + " + std::to_string(salt) + ")";
  for (int a = 0; a < 10; ++a) {
    create += "c" + std::to_string(a) + " real, ";
    select += Scatter(x, a + 1, 10000) + " / 100.0, ";
  }
  for (int a = 0; a < 5; ++a) {
    create += "d" + std::to_string(a) + " string, ";
    select += "'v' || " + Scatter(x, a + 20, 4 + a) + ", ";
  }
  create += "class string)";
  select += "'k' || (" + Scatter(x, 1, 10000) + " / 3400)";
  Run(source, create);
  Run(source,
      "insert into " + table + " " + select + " from counter where x < " + std::to_string(rows));
}

}  // namespace

int main(int argc, char** argv) {
  long clusterRows = 1000000;
  long trainRows = 1000000;
  long testRows = 1000;
  unsigned threads = 0;
  bool knn = true;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    const long value = std::atol(argv[i + 1]);
    if (flag == "--cluster-rows") clusterRows = value;
    if (flag == "--train-rows") trainRows = value;
    if (flag == "--test-rows") testRows = value;
    if (flag == "--threads") threads = static_cast<unsigned>(value);
    if (flag == "--no-knn") knn = value == 0;
  }
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());

  const auto folder =
      std::filesystem::temp_directory_path() / ("quarry-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  setenv("QUARRY_HOME", folder.c_str(), 1);
  const std::string file = (folder / "bench.sqlite").string();
  DataSource source;
  if (!DataSource::CreateSqliteFile(file) || !source.Open(SqliteConnectString(file))) {
    std::cerr << "cannot make " << file << "\n";
    return 1;
  }

  auto start = std::chrono::steady_clock::now();
  MakeCounter(source, std::max({clusterRows, trainRows, testRows}));
  MakeClusterTable(source, clusterRows);
  if (knn) {
    MakeKnnTable(source, "knn_train", trainRows, 0);
    MakeKnnTable(source, "knn_test", testRows, 7777777);
  }
  std::printf("tables made in %.1f s\n", Seconds(start));

  start = std::chrono::steady_clock::now();
  double cpu = CpuSeconds();
  Rand rand;
  auto clustered = cluster::RunClustering(source, {"clusterbench", 5}, rand);
  const double clusterSeconds = Seconds(start);
  const double clusterCpu = CpuSeconds() - cpu;
  if (!clustered) {
    std::cerr << clustered.status().message() << "\n";
    return 1;
  }
  const WorkTime& ct = clustered->time;
  std::printf(
      "clustering: %ld rows, %ld distinct, K = 5: %.2f s (database %.2f s = %.0f%%, in memory %.2f "
      "s; "
      "%ld passes, %ld moves); processor time %.2f s\n",
      clusterRows, clustered->distinctRows, clusterSeconds, ct.databaseSeconds,
      100.0 * ct.databaseSeconds / clusterSeconds, ct.memorySeconds, clustered->passes,
      clustered->moves, clusterCpu);
  const double steps = clustered->groupingSeconds + clustered->writingSeconds +
                       clustered->readingSeconds + clustered->movingSeconds;
  std::printf(
      "clustering, database work by step: grouping %.2f s, writing the cluster table %.2f s, "
      "reading it back %.2f s, moving rows %.2f s, the rest (tables, statistics, commit) %.2f s\n",
      clustered->groupingSeconds, clustered->writingSeconds, clustered->readingSeconds,
      clustered->movingSeconds, ct.databaseSeconds - steps);
  std::vector<std::string> columns;
  for (int a = 0; a < 10; ++a) columns.push_back("a" + std::to_string(a));
  const auto [groupWall, groupCpu] =
      ReadWhole(source, cluster::DistinctRowsSql("clusterbench", columns));
  const auto [readWall, readCpu] =
      ReadWhole(source, SelectAllFrom(cluster::ClusterTableName("clusterbench")));
  const double floorWall = groupWall + readWall;
  std::printf(
      "clustering floor: the grouping query read whole %.2f s (processor %.2f s), one read of "
      "the cluster table %.2f s (processor %.2f s): with this in-memory work at least %.0f%% "
      "of the job is database work\n",
      groupWall, groupCpu, readWall, readCpu, 100.0 * floorWall / (floorWall + ct.memorySeconds));
  if (!knn) {
    source.Close();
    std::filesystem::remove_all(folder);
    return 0;
  }

  start = std::chrono::steady_clock::now();
  cpu = CpuSeconds();
  knn::KnnParams params;
  params.train = "knn_train";
  params.test = "knn_test";
  params.threads = threads;
  std::ostringstream report;
  auto classified = knn::RunKnn(source, params, report, nullptr);
  const double knnSeconds = Seconds(start);
  const double knnCpu = CpuSeconds() - cpu;
  if (!classified) {
    std::cerr << classified.status().message() << "\n";
    return 1;
  }
  const WorkTime& kt = classified->time;
  const double rate = static_cast<double>(classified->distances) / classified->classifySeconds;
  const double ratePerCpu =
      static_cast<double>(classified->distances) / classified->classifyCpuSeconds;
  std::printf(
      "knn: %ld test rows x %ld training rows, K = 5: %.2f s (database %.2f s, in memory %.2f s, "
      "of which classifying %.2f s); processor time %.2f s, of which classifying %.2f s\n",
      classified->testRows, classified->trainCases, knnSeconds, kt.databaseSeconds,
      kt.memorySeconds, classified->classifySeconds, knnCpu, classified->classifyCpuSeconds);
  std::printf(
      "knn: %.0f million distances per second of wall time on %u threads; %.0f million per second "
      "of processor time (per core)\n",
      rate / 1e6, threads, ratePerCpu / 1e6);

  source.Close();
  std::filesystem::remove_all(folder);
  return 0;
}
