// Loading a large table into decision-tree cases, against the time the sqlite3 command-line
// tool takes to print the same table as CSV.
//
//   load_cases [--rows N] [--db FILE]
//
// Makes (or reuses, with --db) an SQLite table of N rows (default 1,000,000): 10 REAL columns,
// 5 TEXT columns of about 20 values each, a TEXT class, about 2% NULL. Prints the load time,
// the sqlite3 time, their ratio, and the peak memory of the load against the size of the cells.

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

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/dtree/case_set.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds (user + system) used so far by this process or by its finished children: on a
// busy machine these compare fairer than wall-clock times.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Resident memory now and at its peak, in bytes.
long long StatusBytes(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + std::strlen(key)) * 1024;
  }
  return 0;
}

bool MakeTable(quarry::DataSource& source, long rows) {
  std::string columns;
  std::string values;
  for (int i = 1; i <= 10; ++i) {
    columns += "r" + std::to_string(i) + " real,";
    values +=
        "case when abs(random()) % 50 = 0 then null else (abs(random()) % 100000) / 100.0 end,";
  }
  for (int i = 1; i <= 5; ++i) {
    columns += "s" + std::to_string(i) + " text,";
    values += "case when abs(random()) % 50 = 0 then null else 'v' || (abs(random()) % 20) end,";
  }
  columns += "cls text";
  values += "'c' || (abs(random()) % 3)";
  return source.Execute("create table big(" + columns + ")") &&
         source.Execute(
             "insert into big with recursive n(i) as (select 1 union all select i + 1 from n where "
             "i < " +
             std::to_string(rows) + ") select " + values + " from n");
}

}  // namespace

int main(int argc, char** argv) {
  long rows = 1000000;
  std::string dbPath;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--rows") rows = std::atol(argv[i + 1]);
    if (flag == "--db") dbPath = argv[i + 1];
  }
  const auto folder = std::filesystem::temp_directory_path() / "quarry-bench-load";
  std::filesystem::create_directories(folder);
  setenv("QUARRY_HOME", folder.c_str(), 0);
  if (dbPath.empty()) dbPath = (folder / ("load_" + std::to_string(rows) + ".sqlite")).string();

  quarry::DataSource source;
  if (!std::filesystem::exists(dbPath)) {
    std::cout << "making " << rows << " rows in " << dbPath << "\n";
    if (!quarry::DataSource::CreateSqliteFile(dbPath) ||
        !source.Open(quarry::SqliteConnectString(dbPath)) || !MakeTable(source, rows)) {
      std::cerr << "cannot make the table: " << source.LastError() << "\n";
      std::filesystem::remove(dbPath);
      return 1;
    }
    source.Close();
  }
  if (!source.Open(quarry::SqliteConnectString(dbPath))) {
    std::cerr << source.LastError() << "\n";
    return 1;
  }

  // The peer first, so the file is in the page cache for both.
  const std::string command = "sqlite3 -csv '" + dbPath + "' 'select * from big' > /dev/null";
  std::system(command.c_str());
  auto start = Clock::now();
  double cpu = CpuSeconds(RUSAGE_CHILDREN);
  if (std::system(command.c_str()) != 0) {
    std::cerr << "sqlite3 failed\n";
    return 1;
  }
  const double peerSeconds = Seconds(start);
  const double peerCpu = CpuSeconds(RUSAGE_CHILDREN) - cpu;

  const long long before = StatusBytes("VmRSS:");
  std::ostringstream report;
  quarry::dtree::CaseSet cases(report);
  start = Clock::now();
  cpu = CpuSeconds(RUSAGE_SELF);
  if (!cases.LoadAttributes("big", source).ok()) {
    std::cerr << "load failed: " << source.LastError() << "\n";
    return 1;
  }
  const double attributeSeconds = Seconds(start);
  if (cases.LoadCases("big", source) != 0) {
    std::cerr << "load failed: " << source.LastError() << "\n";
    return 1;
  }
  const double loadSeconds = Seconds(start);
  const double loadCpu = CpuSeconds(RUSAGE_SELF) - cpu;
  const long long peak = StatusBytes("VmHWM:");
  const long long cells =
      static_cast<long long>(cases.MaxItem + 1) * (cases.Attributes().MaxAtt + 2) * 4;

  std::printf("rows                    %ld\n", static_cast<long>(cases.MaxItem + 1));
  std::printf("load into cases         %.2f s (attribute table %.2f s, cases %.2f s)\n",
              loadSeconds, attributeSeconds, loadSeconds - attributeSeconds);
  std::printf("sqlite3 -csv            %.2f s\n", peerSeconds);
  std::printf("load / sqlite3          %.2f  (target <= 2)\n", loadSeconds / peerSeconds);
  std::printf("CPU time: load %.2f s, sqlite3 %.2f s, ratio %.2f\n", loadCpu, peerCpu,
              loadCpu / peerCpu);
  std::printf("cells                   %.1f MB\n", cells / 1e6);
  std::printf("peak memory of the load %.1f MB = %.2f x cells  (target < 3)\n",
              (peak - before) / 1e6,
              static_cast<double>(peak - before) / static_cast<double>(cells));
  return 0;
}
