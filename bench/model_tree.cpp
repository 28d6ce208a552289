// Growing model trees on synthetic regression tables of 20,000 and 100,000 rows: 8 continuous
// and 3 discrete attributes, a target piecewise linear in them with noise.
//
//   model_tree [--rows N]...
//
// Prints, per size, the load and grow times (wall clock and CPU) and the size of the tree, then
// the ratio of the largest to the smallest grow time. The rows come from the project's
// generator, so every run grows the same trees.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "core/common/text_util.h"
#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/modeltree/model_tree_grower.h"

namespace {

using namespace quarry;
using bench::Clock;
using bench::CpuSeconds;
using bench::Seconds;
using namespace quarry::modeltree;

double Uniform(Rand& rand, double high) {
  return (rand.Next() * 32768.0 + rand.Next()) / (32768.0 * 32768.0) * high;
}

bool MakeTable(DataSource& source, const std::string& table, long rows) {
  std::string columns;
  for (int i = 1; i <= 8; ++i) columns += "x" + std::to_string(i) + " real, ";
  for (int i = 1; i <= 3; ++i) columns += "d" + std::to_string(i) + " string, ";
  if (!source.Execute("create table " + table + " (" + columns + "y real)")) return false;
  Rand rand;
  const char* soil[] = {"clay", "loam", "sand"};
  std::string batch;
  for (long r = 0; r < rows; ++r) {
    double x[9];
    for (int i = 1; i <= 8; ++i) x[i] = Uniform(rand, 100.0);
    const int d1 = rand.Next() % 3;
    const int d2 = rand.Next() % 4;
    const int d3 = rand.Next() % 5;
    double y = x[1] < 50 ? 2 + 0.3 * x[1] + 0.5 * x[2] - 0.2 * x[3]
                         : 17 + 0.05 * x[1] + 1.2 * x[2] + 0.1 * x[4];
    if (x[5] > 70) y += 0.5 * x[6];
    y += (d1 - 1) * 3.0;
    y += Uniform(rand, 2.0) - 1.0 + Uniform(rand, 2.0) - 1.0;
    batch += batch.empty() ? "insert into " + table + " values " : ", ";
    batch += "(";
    for (int i = 1; i <= 8; ++i) batch += Format("%.4f, ", x[i]);
    batch += Format("'%s', 'g%d', 'h%d', %.4f)", soil[d1], d2, d3, y);
    if (batch.size() > 200000 || r + 1 == rows) {
      if (!source.Execute(batch)) return false;
      batch.clear();
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::string(argv[i]) == "--rows") sizes.push_back(std::atol(argv[i + 1]));
  }
  if (sizes.empty()) sizes = {20000, 100000};

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("quarry-bench-mtree-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string dbPath = (folder / "bench.sqlite").string();
  std::string error;
  DataSource source;
  if (!DataSource::CreateSqliteFile(dbPath, &error) || !source.Open(SqliteConnectString(dbPath))) {
    std::cerr << "cannot create the benchmark database: " << error << source.LastError() << "\n";
    return 1;
  }
  std::ostringstream report;  // substitution lines; the tables have no unknowns
  std::vector<double> growCpu;
  std::printf("%8s %9s %10s %10s %7s %7s %7s\n", "rows", "load s", "grow s", "grow cpu s", "splits",
              "regress", "leaves");
  for (long rows : sizes) {
    const std::string table = "synthetic" + std::to_string(rows);
    if (!MakeTable(source, table, rows)) {
      std::cerr << "cannot make " << table << ": " << source.LastError() << "\n";
      return 1;
    }
    auto start = Clock::now();
    ModelCaseStore store(report);
    if (Status s = store.LoadAttributes(table, source); !s.ok())
      return std::cerr << s.message() << "\n", 1;
    if (Status s = store.LoadCases(table, source); !s.ok())
      return std::cerr << s.message() << "\n", 1;
    const double load = Seconds(start);
    Distributions stats(report);
    ModelTreeGrower grower(store, stats, StrataParameters{});
    start = Clock::now();
    const double cpu0 = CpuSeconds();
    auto root = grower.Grow();
    const double grow = Seconds(start);
    growCpu.push_back(CpuSeconds() - cpu0);
    const ModelTreeCounts counts = CountNodes(*root);
    std::printf("%8ld %9.2f %10.2f %10.2f %7d %7d %7d\n", rows, load, grow, growCpu.back(),
                counts.splits, counts.regressions, counts.leaves);
  }
  if (growCpu.size() >= 2) {
    std::printf("grow cpu time, %ld rows against %ld rows: %.1fx (target: under 10x)\n",
                sizes.back(), sizes.front(), growCpu.back() / growCpu.front());
  }
  source.Close();
  std::filesystem::remove_all(folder);
  return 0;
}
