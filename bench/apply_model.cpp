// Applying a saved decision tree to a large SQLite table and writing the predictions back,
// against one read of the same table through the data source.
//
//   apply_model [--rows N]
//
// Makes or reuses the synthetic table of the decision-tree benchmarks (default 1,000,000 rows:
// 10 real and 5 text columns, about 2% NULL, a class of 3 values that follows the attributes),
// grows and prunes a tree on its first 20,000 rows with the decision-tree job, then times, in the
// same run: reading every row of the table (QueryTable and NextRow), and the apply job (reading
// every row, classifying it with the saved tree, and rebuilding the table with the predicted
// class, share and leaf columns in one transaction).

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

constexpr const char* kClassRule =
    "update big set cls = case when abs(random()) % 10 = 0 then 'c' || (abs(random()) % 3) "
    "when r1 < 300 and s1 in ('v1','v2','v3','v4','v5','v6') then 'c0' "
    "when r2 + r3 > 1200 then 'c1' "
    "when r4 < 400 or s2 in ('v0','v1','v2','v3','v4','v5','v6','v7') then 'c2' "
    "when r5 > r6 then 'c0' else 'c1' end";

}  // namespace

int main(int argc, char** argv) {
  long rows = 1000000;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--rows") rows = std::atol(argv[i + 1]);
  }
  const fs::path folder = fs::temp_directory_path() / "quarry-bench-apply";
  fs::create_directories(folder);
  setenv("QUARRY_HOME", folder.c_str(), 1);
  const fs::path db = folder / ("apply_" + std::to_string(rows) + ".sqlite");
  quarry::DataSource source;
  if (!quarry::bench::OpenSyntheticTable(source, db, rows, "null", kClassRule)) return 1;

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

  // One read of the table.
  double cpu = CpuSeconds();
  start = Clock::now();
  long read = 0;
  {
    quarry::ExclusiveUse exclusive(source);
    std::vector<std::string> row;
    if (!source.QueryTable("big")) return 1;
    for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) ++read;
  }
  const double readWall = Seconds(start);
  const double readCpu = CpuSeconds() - cpu;

  quarry::scoring::ApplyParams params;
  params.model = "big_dataPRUNED";
  params.table = "big";
  params.column = "predicted";
  params.confidenceColumn = "share";
  params.leafColumn = "leaf";
  params.overwrite = true;
  cpu = CpuSeconds();
  start = Clock::now();
  auto applied = quarry::scoring::ApplyModel(source, params, report);
  const double applyWall = Seconds(start);
  const double applyCpu = CpuSeconds() - cpu;
  if (!applied) {
    std::cerr << "apply failed: " << applied.status().message() << "\n";
    return 1;
  }
  std::cout << quarry::Format(
      "%ld rows   read: %.1f s (cpu %.1f s)   apply and write back: %.1f s "
      "(cpu %.1f s)   ratio %.2f (cpu %.2f)\n",
      read, readWall, readCpu, applyWall, applyCpu, applyWall / readWall, applyCpu / readCpu);
  std::cout << quarry::scoring::ApplyReport(*applied);
  return 0;
}
