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

#include "bench/bench_support.h"
#include "core/dtree/case_set.h"

namespace {

using quarry::bench::Clock;
using quarry::bench::CpuSeconds;
using quarry::bench::Seconds;
using quarry::bench::StatusBytes;

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
  if (!quarry::bench::OpenSyntheticTable(source, dbPath, rows, "'c' || (abs(random()) % 3)", ""))
    return 1;

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
