// Classification k-fold cross-validation with its folds grown one after another and at once.
//
//   cross_validation [--rows N] [--folds K] [--threads T] [--repeat R]
//
// Makes or reuses the synthetic table of grow_tree (default 200,000 rows) as cv_data and runs the
// cross-validation with standard pruning R times each way (default 2), alternating: with
// QUARRY_THREADS=1 and with T folds at once (default: the processors). Prints the wall and
// processor times of every run with the load average beside them, the best of each way, and
// whether every run wrote the same report and figures.

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
  int repeat = 2;
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--rows") rows = std::atol(argv[++i]);
    if (flag == "--folds") folds = std::atoi(argv[++i]);
    if (flag == "--threads") threads = std::atoi(argv[++i]);
    if (flag == "--repeat") repeat = std::max(1, std::atoi(argv[++i]));
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
  Run best[2];
  std::string first;
  bool same = true, ok = true;
  for (int r = 0; r < repeat; ++r) {
    for (int way = 0; way < 2; ++way) {
      const int at = way == 0 ? 1 : threads;
      const Run run = RunCv(source, folds, at);
      std::printf("%d fold(s) at once: %8.2f s wall %8.2f s processor  (load %s)\n", at, run.wall,
                  run.cpu, LoadAverage().c_str());
      std::fflush(stdout);
      ok = ok && run.ok;
      if (first.empty()) first = run.output;
      same = same && run.output == first;
      if (best[way].wall == 0 || run.wall < best[way].wall) best[way] = run;
    }
  }
  std::printf(
      "best of %d: %.2f s one at a time, %.2f s %d at once; speed-up (wall): %.2fx; same "
      "report and figures: %s\n",
      repeat, best[0].wall, best[1].wall, threads, best[0].wall / best[1].wall,
      same ? "yes" : "NO");
  return ok && same ? 0 : 1;
}
