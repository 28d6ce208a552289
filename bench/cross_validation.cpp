// Classification k-fold cross-validation with its folds grown one after another and at once.
//
//   cross_validation [--rows N] [--folds K] [--threads T]
//
// Makes or reuses the synthetic table of grow_tree (default 200,000 rows) as cv_data, runs the
// cross-validation with standard pruning, first with QUARRY_THREADS=1 and then with T folds at
// once (default: the processors), and prints the wall and processor times of both, the load
// average beside them, and whether the two runs wrote the same report and figures.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "core/pruning/classification_cv.h"

namespace {

namespace fs = std::filesystem;
using quarry::bench::Clock;
using quarry::bench::CpuSeconds;
using quarry::bench::Seconds;
namespace pruning = quarry::pruning;

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

struct Run {
  double wall = 0;
  double cpu = 0;
  std::string output;
  bool ok = false;
};

Run RunCv(quarry::DataSource& source, int folds, int threads) {
  setenv("QUARRY_THREADS", std::to_string(threads).c_str(), 1);
  pruning::ClassificationCvParameters p;
  p.tree.table = "cv_data";
  p.tree.unseen = false;
  p.folds = folds;
  std::ostringstream report;
  pruning::ClassificationCvResult result;
  Run run;
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  const quarry::Status status =
      pruning::ClassificationCrossValidation(p, source, report, quarry::NoProgress(), result);
  run.wall = Seconds(start);
  run.cpu = CpuSeconds() - cpu;
  run.ok = status.ok();
  if (!run.ok) std::cerr << status.message() << "\n";
  run.output = report.str();
  for (const pruning::FoldErrors& f : result.folds) {
    run.output += pruning::FoldLine(0, f.raw, f.cases) + pruning::FoldLine(0, f.pruned, f.cases);
  }
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  long rows = 200000;
  int folds = 10;
  int threads = static_cast<int>(std::thread::hardware_concurrency());
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--rows") rows = std::atol(argv[++i]);
    if (flag == "--folds") folds = std::atoi(argv[++i]);
    if (flag == "--threads") threads = std::atoi(argv[++i]);
  }
  const fs::path folder = fs::temp_directory_path() / "quarry-bench-cv";
  fs::create_directories(folder);
  setenv("QUARRY_HOME", folder.c_str(), 0);
  const fs::path db = folder / ("cv_" + std::to_string(rows) + ".sqlite");
  quarry::DataSource source;
  std::vector<std::string> tables;
  if (!quarry::bench::OpenSyntheticTable(source, db, rows, "null",
                                         quarry::bench::kSyntheticClassRule) ||
      !source.ListTables(tables)) {
    return 1;
  }
  if (std::find(tables.begin(), tables.end(), "cv_data") == tables.end() &&
      !source.Execute("select * into cv_data from big")) {
    std::cerr << source.LastError() << "\n";
    return 1;
  }
  std::printf("%ld rows, %d folds, standard pruning; load average %s\n", rows, folds,
              LoadAverage().c_str());
  const Run one = RunCv(source, folds, 1);
  std::printf("folds one at a time: %8.2f s wall %8.2f s processor  (load %s)\n", one.wall, one.cpu,
              LoadAverage().c_str());
  const Run many = RunCv(source, folds, threads);
  std::printf("%d folds at once:    %8.2f s wall %8.2f s processor  (load %s)\n", threads,
              many.wall, many.cpu, LoadAverage().c_str());
  std::printf("speed-up (wall): %.2fx; same report and figures: %s\n", one.wall / many.wall,
              one.output == many.output ? "yes" : "NO");
  return one.ok && many.ok && one.output == many.output ? 0 : 1;
}
