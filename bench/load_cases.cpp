// Loading a large table into decision-tree cases, against the time the database's own
// command-line tool takes to print the same table as CSV.
//
//   load_cases [--rows N] [--db FILE] [--postgres CONNECT]
//
// Makes (or reuses, with --db) an SQLite table of N rows (default 1,000,000): 10 REAL columns,
// 5 TEXT columns of about 20 values each, a TEXT class, about 2% NULL. Prints the load time,
// the sqlite3 time, their ratio, and the peak memory of the load against the size of the cells.
// With --postgres the same kind of table is made (or reused) in that PostgreSQL database and
// loaded too, against psql's \copy of it to /dev/null; psql finds the server through the PG*
// environment variables (scripts/pg_test_cluster.sh writes them for its throw-away server).

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "bench/bench_support.h"
#include "core/dtree/case_set.h"

namespace {

using quarry::bench::Clock;
using quarry::bench::CpuSeconds;
using quarry::bench::Seconds;
using quarry::bench::StatusBytes;

// A table of the same shape in PostgreSQL, made by the server itself.
bool MakePostgresTable(quarry::DataSource& source, long rows) {
  std::string columns;
  std::string values;
  for (int i = 1; i <= quarry::bench::kSyntheticContinuous; ++i) {
    columns += "r" + std::to_string(i) + " real,";
    values += "case when random() < 0.02 then null else floor(random() * 100000) / 100 end,";
  }
  for (int i = 1; i <= quarry::bench::kSyntheticDiscrete; ++i) {
    columns += "s" + std::to_string(i) + " string,";
    values += "case when random() < 0.02 then null else 'v' || floor(random() * " +
              std::to_string(quarry::bench::kSyntheticValues) + ") end,";
  }
  columns += "cls string";
  values += "'c' || floor(random() * 3)";
  return source.Execute("create table big(" + columns + ")") &&
         source.Execute("insert into big select " + values + " from generate_series(1, " +
                        std::to_string(rows) + ")") &&
         source.Execute("analyze big");
}

long TableRows(quarry::DataSource& source) {
  std::vector<std::string> row;
  long rows = -1;
  if (source.Query("select count(*) from big") && source.FirstRow(row)) {
    rows = std::atol(row[0].c_str());
    while (source.NextRow(row)) {
    }
  }
  return rows;
}

// Times the peer command (run once before, to warm the caches) and the load of table big into
// cases; prints both, in wall and CPU time. A server's own work counts in neither CPU figure.
bool CompareLoad(quarry::DataSource& source, const char* peerName, const std::string& peer) {
  std::system(peer.c_str());
  auto start = Clock::now();
  double cpu = CpuSeconds(RUSAGE_CHILDREN);
  if (std::system(peer.c_str()) != 0) {
    std::cerr << peerName << " failed\n";
    return false;
  }
  const double peerSeconds = Seconds(start);
  const double peerCpu = CpuSeconds(RUSAGE_CHILDREN) - cpu;

  const long long before = StatusBytes("VmRSS:");
  quarry::bench::ResetPeakMemory();
  std::ostringstream report;
  quarry::dtree::CaseSet cases(report);
  start = Clock::now();
  cpu = CpuSeconds(RUSAGE_SELF);
  if (!cases.LoadAttributes("big", source).ok()) {
    std::cerr << "load failed: " << source.LastError() << "\n";
    return false;
  }
  const double attributeSeconds = Seconds(start);
  // On PostgreSQL the rows are read while the attribute table is made, and kept for LoadCases.
  const bool rowsRead = cases.HasKeptCases();
  if (cases.LoadCases("big", source) != 0) {
    std::cerr << "load failed: " << source.LastError() << "\n";
    return false;
  }
  const double loadSeconds = Seconds(start);
  const double loadCpu = CpuSeconds(RUSAGE_SELF) - cpu;
  const long long peak = StatusBytes("VmHWM:");
  const long long cells =
      static_cast<long long>(cases.MaxItem + 1) * (cases.Attributes().MaxAtt + 2) * 4;

  std::printf("rows                    %ld\n", static_cast<long>(cases.MaxItem + 1));
  std::printf("load into cases         %.2f s (attribute table%s %.2f s, cases %.2f s)\n",
              loadSeconds, rowsRead ? " and rows" : "", attributeSeconds,
              loadSeconds - attributeSeconds);
  std::printf("%-23s %.2f s\n", peerName, peerSeconds);
  std::printf("load / %-16s %.2f  (target <= 2)\n", peerName, loadSeconds / peerSeconds);
  std::printf("CPU time: load %.2f s, %s %.2f s, ratio %.2f\n", loadCpu, peerName, peerCpu,
              loadCpu / peerCpu);
  std::printf("cells                   %.1f MB\n", cells / 1e6);
  std::printf("peak memory of the load %.1f MB = %.2f x cells  (target < 3)\n",
              (peak - before) / 1e6,
              static_cast<double>(peak - before) / static_cast<double>(cells));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long rows = 1000000;
  std::string dbPath;
  std::string postgres;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--rows") rows = std::atol(argv[i + 1]);
    if (flag == "--db") dbPath = argv[i + 1];
    if (flag == "--postgres") postgres = argv[i + 1];
  }
  const auto folder = std::filesystem::temp_directory_path() / "quarry-bench-load";
  std::filesystem::create_directories(folder);
  setenv("QUARRY_HOME", folder.c_str(), 0);
  if (dbPath.empty()) dbPath = (folder / ("load_" + std::to_string(rows) + ".sqlite")).string();

  quarry::DataSource source;
  if (!quarry::bench::OpenSyntheticTable(source, dbPath, rows, "'c' || (abs(random()) % 3)", ""))
    return 1;
  std::printf("SQLite\n");
  // The peer runs first, so the file is in the page cache for both.
  if (!CompareLoad(source, "sqlite3 -csv",
                   "sqlite3 -csv '" + dbPath + "' 'select * from big' > /dev/null")) {
    return 1;
  }
  source.Close();
  if (postgres.empty()) return 0;

  if (!source.Open(postgres)) {
    std::cerr << source.LastError() << "\n";
    return 1;
  }
  if (TableRows(source) != rows) {
    std::cout << "making " << rows << " rows in PostgreSQL\n" << std::flush;
    if (!source.Execute("drop table if exists big") || !MakePostgresTable(source, rows)) {
      std::cerr << "cannot make the table: " << source.LastError() << "\n";
      return 1;
    }
  }
  std::printf("\nPostgreSQL\n");
  const bool ok =
      CompareLoad(source, "psql \\copy",
                  "psql -X -q -c '\\copy (select * from big) to '\\''/dev/null'\\'' csv'");
  return ok ? 0 : 1;
}
