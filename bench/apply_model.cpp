// Applying a saved decision tree to a large SQLite table and writing the predictions back,
// against one read of the same table through the data source.
//
//   apply_model [--rows N] [--repeat R]
//
// Makes or reuses the synthetic table of the decision-tree benchmarks (default 1,000,000 rows:
// 10 real and 5 text columns, about 2% NULL, a class of 3 values that follows the attributes),
// grows and prunes a tree on its first 20,000 rows with the decision-tree job, then times, in the
// same run: reading every row of the table (QueryTable and NextRow), and the apply job (reading
// every row, classifying it with the saved tree, and rebuilding the table with the predicted
// class, share and leaf columns in one transaction). A read and an apply that gives the table
// its new columns come first; then the two alternate R times (default 3), every read and every
// apply seeing the same table, and the best of each is compared.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "core/common/text_util.h"
#include "core/pruning/decision_tree_job.h"
#include "core/scoring/apply_model.h"

namespace {

namespace fs = std::filesystem;
using quarry::bench::Clock;
using quarry::bench::CpuSeconds;
using quarry::bench::Seconds;

// One read of `table` through the data source, as the apply job reads it; the rows read.
long ReadTable(quarry::DataSource& source, const std::string& table) {
  quarry::ExclusiveUse exclusive(source);
  std::vector<std::string> row;
  long read = 0;
  if (!source.QueryTable(table)) return -1;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) ++read;
  return read;
}

struct Timing {
  double wall = 0;
  double cpu = 0;
};

}  // namespace

int main(int argc, char** argv) {
  long rows = 1000000;
  int repeat = 3;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--rows") rows = std::atol(argv[i + 1]);
    if (std::string(argv[i]) == "--repeat") repeat = std::atoi(argv[i + 1]);
  }
  const fs::path folder = fs::temp_directory_path() / "quarry-bench-apply";
  fs::create_directories(folder);
  setenv("QUARRY_HOME", folder.c_str(), 1);
  const fs::path db = folder / ("apply_" + std::to_string(rows) + ".sqlite");
  quarry::DataSource source;
  if (!quarry::bench::OpenSyntheticTable(source, db, rows, "null",
                                         quarry::bench::kSyntheticClassRule))
    return 1;

  if (!source.TableExists("big_data")) {
    if (!source.Execute("SELECT * INTO big_data FROM big WHERE rowid <= 20000")) {
      std::cerr << "cannot make big_data: " << source.LastError() << "\n";
      return 1;
    }
  }
  quarry::pruning::DecisionTreeParameters p;
  p.table = "big_data";
  p.unseen = false;
  p.subsets = true;
  quarry::pruning::InductionResult grown;
  std::ostringstream report;
  auto start = Clock::now();
  if (auto s = quarry::pruning::DecisionTreeJob(p, source, report, quarry::NoProgress(), grown);
      !s.ok()) {
    std::cerr << "growing failed: " << s.message() << "\n";
    return 1;
  }
  std::cout << quarry::Format("tree grown on 20,000 rows in %.1f s: %d leaves after pruning\n",
                              Seconds(start), grown.leafCount);

  quarry::scoring::ApplyParams params;
  params.model = "big_dataPRUNED";
  params.table = "big";
  params.column = "predicted";
  params.confidenceColumn = "share";
  params.leafColumn = "leaf";
  params.overwrite = true;
  const auto apply = [&](Timing& t) {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    auto applied = quarry::scoring::ApplyModel(source, params, report);
    t = {Seconds(start), CpuSeconds() - cpu};
    if (!applied) std::cerr << "apply failed: " << applied.status().message() << "\n";
    return applied;
  };
  const auto read = [&](Timing& t) {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    const long n = ReadTable(source, "big");
    t = {Seconds(start), CpuSeconds() - cpu};
    if (n != rows) std::cerr << "read " << n << " rows: " << source.LastError() << "\n";
    return n == rows;
  };
  Timing firstRead;
  Timing first;
  if (!read(firstRead)) return 1;
  auto applied = apply(first);
  if (!applied) return 1;
  std::cout << quarry::scoring::ApplyReport(*applied);
  std::cout << quarry::Format(
      "first: read %.1f s (cpu %.1f s)   apply (the columns added) %.1f s (cpu %.1f s)   ratio "
      "%.2f (cpu %.2f)\n",
      firstRead.wall, firstRead.cpu, first.wall, first.cpu, first.wall / firstRead.wall,
      first.cpu / firstRead.cpu);

  Timing bestRead{1e300, 1e300};
  Timing bestApply{1e300, 1e300};
  for (int r = 0; r < repeat; ++r) {
    Timing readTime;
    if (!read(readTime)) return 1;
    Timing applyTime;
    if (!apply(applyTime)) return 1;
    std::cout << quarry::Format(
        "run %d: %ld rows   read %.1f s (cpu %.1f s)   apply and write back %.1f s (cpu %.1f s)\n",
        r + 1, rows, readTime.wall, readTime.cpu, applyTime.wall, applyTime.cpu);
    bestRead = {std::min(bestRead.wall, readTime.wall), std::min(bestRead.cpu, readTime.cpu)};
    bestApply = {std::min(bestApply.wall, applyTime.wall), std::min(bestApply.cpu, applyTime.cpu)};
  }
  std::cout << quarry::Format(
      "best of %d: read %.1f s (cpu %.1f s)   apply %.1f s (cpu %.1f s)   ratio %.2f (cpu %.2f)\n",
      repeat, bestRead.wall, bestRead.cpu, bestApply.wall, bestApply.cpu,
      bestApply.wall / bestRead.wall, bestApply.cpu / bestRead.cpu);
  return 0;
}
