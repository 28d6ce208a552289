// Growing and pruning decision trees on large synthetic tables, against a decision-tree learner
// of Python's scikit-learn fitting the same rows.
//
//   grow_tree [--rows N ...] [--no-peer]
//
// For each size (default 200,000 and 1,000,000 rows) makes or reuses an SQLite table in the
// benchmark folder: 10 continuous columns (two decimals), 5 text columns of 20 values each, a
// class of 3 values that follows the attributes with 10% noise, about 2% NULL. Loads it into the
// engine and times, single-threaded, growing the unpruned tree and error-based pruning of it in
// place (as the job prunes with standard pruning), and measures the peak memory of both, and of
// pruning a copy (as a job that keeps the grown tree does).
// The peer gets the very cases the engine loaded (text columns one-hot encoded, unknowns -999)
// and fits DecisionTreeClassifier(criterion="entropy", min_samples_leaf=2); it needs Debian's
// python3-sklearn (apt-get install python3-sklearn).

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "core/dtree/error_based_pruning.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/tree_growing.h"

namespace {

namespace fs = std::filesystem;
using quarry::bench::Clock;
using quarry::bench::CpuSeconds;
using quarry::bench::Seconds;
using quarry::bench::StatusBytes;
using quarry::dtree::InductionEngine;

// The loaded cases as the peer reads them: float32 features (continuous values, then 20
// indicator columns per text column), int32 classes.
void WritePeerData(InductionEngine& engine, const fs::path& features, const fs::path& classes,
                   int& width) {
  const int maxAtt = engine.MaxAtt();
  width = 0;
  for (int a = 0; a <= maxAtt; ++a)
    width += engine.Att().ValueCount[static_cast<size_t>(a)] > 0
                 ? engine.Att().ValueCount[static_cast<size_t>(a)]
                 : 1;
  std::ofstream x(features, std::ios::binary);
  std::ofstream y(classes, std::ios::binary);
  std::vector<float> row(static_cast<size_t>(width));
  for (quarry::dtree::Case c : engine.Cases.Item) {
    size_t at = 0;
    for (int a = 0; a <= maxAtt; ++a) {
      const int values = engine.Att().ValueCount[static_cast<size_t>(a)];
      if (values == 0) {
        row[at++] = quarry::dtree::CVal(c, a);  // unknown is already -999
        continue;
      }
      const int v = quarry::dtree::DVal(c, a);
      for (int k = 1; k <= values; ++k) row[at++] = v == 0 ? -999.0f : (v == k ? 1.0f : 0.0f);
    }
    x.write(reinterpret_cast<const char*>(row.data()),
            static_cast<std::streamsize>(row.size() * sizeof(float)));
    const int32_t cls = engine.ClassOf(c);
    y.write(reinterpret_cast<const char*>(&cls), sizeof cls);
  }
}

// Fits the peer and returns its fitting seconds (and its processor seconds and node count), or a
// negative time.
double RunPeer(const fs::path& folder, const fs::path& features, const fs::path& classes, int width,
               long rows, double& cpu, long& nodes) {
  const fs::path script = folder / "peer_fit.py";
  std::ofstream(script)
      << "import sys, time\n"
         "import numpy as np\n"
         "from sklearn.tree import DecisionTreeClassifier\n"
         "X = np.fromfile(sys.argv[1], dtype=np.float32).reshape(int(sys.argv[4]), "
         "int(sys.argv[3]))\n"
         "y = np.fromfile(sys.argv[2], dtype=np.int32)\n"
         "t = time.process_time()\n"
         "w = time.perf_counter()\n"
         "m = DecisionTreeClassifier(criterion='entropy', min_samples_leaf=2).fit(X, y)\n"
         "print(time.perf_counter() - w, time.process_time() - t, m.tree_.node_count)\n";
  const std::string command = "/usr/bin/python3 " + script.string() + " " + features.string() +
                              " " + classes.string() + " " + std::to_string(width) + " " +
                              std::to_string(rows);
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  double wall = -1;
  const int got = std::fscanf(pipe, "%lf %lf %ld", &wall, &cpu, &nodes);
  if (pclose(pipe) != 0 || got != 3) return -1;
  return wall;
}

int RunSize(long rows, bool peer) {
  const fs::path folder = fs::temp_directory_path() / "quarry-bench-grow";
  fs::create_directories(folder);
  const fs::path db = folder / ("grow_" + std::to_string(rows) + ".sqlite");
  quarry::DataSource source;
  if (!quarry::bench::OpenSyntheticTable(source, db, rows, "null",
                                         quarry::bench::kSyntheticClassRule))
    return 1;

  std::ostringstream report;
  InductionEngine engine(report);
  const long long beforeLoad = StatusBytes("VmRSS:");
  auto start = Clock::now();
  if (!engine.LoadAttributes("big", source).ok() || engine.LoadCases("big", source) != 0) {
    std::cerr << "load failed: " << engine.Cases.LastLoadError() << "\n";
    return 1;
  }
  const double loadSeconds = Seconds(start);
  const long long cases = engine.MaxItem() + 1;
  // The cells of every case, the Item pointers and the weights.
  const long long caseArray = cases * (engine.MaxAtt() + 2) * 4 +
                              cases * static_cast<long long>(sizeof(void*)) +
                              cases * static_cast<long long>(sizeof(float));
  // The split evaluator's arrays sized at loading: the gain and split information of every cut
  // (2 floats a case) and the n*log2(n) table of whole counts (a double a case).
  const long long workArrays = cases * (4 + 4 + 8);
  // Growing gathers each attribute's values of a node: sort keys (8 bytes), case pointers (8),
  // weights (4), classes gathered and sorted (2 + 2).
  const long long splitScratch = cases * 24;

  quarry::bench::ResetPeakMemory();
  const long long beforeGrow = StatusBytes("VmRSS:");
  start = Clock::now();
  double cpu = CpuSeconds();
  auto tree = quarry::dtree::GrowNewTree(engine, 0, engine.MaxItem());
  const double growSeconds = Seconds(start);
  const double growCpu = CpuSeconds() - cpu;
  const long long growPeak = StatusBytes("VmHWM:");
  const long long afterGrow = StatusBytes("VmRSS:");
  const int treeNodes = quarry::dtree::TreeSize(*tree);
  const int treeLeaves = quarry::dtree::LeafCount(*tree);
  const int treeDepth = quarry::dtree::TreeDepth(*tree);
  engine.Options.VERBOSITY = 0;

  // Pruning a copy, as a job does that evaluates on unseen cases or whose method needs the
  // grown tree beside the pruned one.
  auto copy = quarry::dtree::CopyTree(*tree);
  quarry::dtree::ErrorBasedPrune(engine, *copy, "big_data");
  const long long copyPeak = StatusBytes("VmHWM:");
  copy.reset();
  malloc_trim(0);

  // Pruning in place, as the job does with standard pruning.
  quarry::bench::ResetPeakMemory();
  start = Clock::now();
  cpu = CpuSeconds();
  quarry::dtree::ErrorBasedPrune(engine, *tree, "big_data");
  const double pruneSeconds = Seconds(start);
  const double pruneCpu = CpuSeconds() - cpu;
  const long long inPlacePeak = StatusBytes("VmHWM:");
  const int prunedNodes = quarry::dtree::TreeSize(*tree);
  tree.reset();
  malloc_trim(0);
  const long long treeBytes = afterGrow - StatusBytes("VmRSS:");

  auto times = [&](long long bytes) { return static_cast<double>(bytes) / caseArray; };
  std::printf("\n%lld rows, %d attributes (%d continuous, %d discrete of %d values), 3 classes\n",
              cases, engine.MaxAtt() + 1, quarry::bench::kSyntheticContinuous,
              quarry::bench::kSyntheticDiscrete, quarry::bench::kSyntheticValues);
  std::printf("  load into cases        %7.2f s\n", loadSeconds);
  std::printf("  grow unpruned tree     %7.2f s  (CPU %.2f s), %d nodes, %d leaves, depth %d\n",
              growSeconds, growCpu, treeNodes, treeLeaves, treeDepth);
  std::printf(
      "  error-based pruning    %7.2f s  (CPU %.2f s) = %.1f%% of growing (target < 20%%), %d "
      "nodes left\n",
      pruneSeconds, pruneCpu, 100 * pruneCpu / growCpu, prunedNodes);
  std::printf(
      "Memory above the process's resident size before loading (target: peak < 2 x case "
      "array):\n");
  std::printf("  case array (cells, Item, Weight)          %7.1f MB\n", caseArray / 1e6);
  std::printf(
      "  loaded in all                             %7.1f MB = %.2f x: case array, the "
      "engine's per-case work arrays (%.1f MB) and %.1f MB else (database cache, "
      "allocator)\n",
      (beforeGrow - beforeLoad) / 1e6, times(beforeGrow - beforeLoad), workArrays / 1e6,
      (beforeGrow - beforeLoad - caseArray - workArrays) / 1e6);
  std::printf("  unpruned tree                             %7.1f MB = %.0f bytes a node\n",
              treeBytes / 1e6, static_cast<double>(treeBytes) / treeNodes);
  std::printf(
      "  peak growing                              %7.1f MB = %.2f x; without the tree "
      "%.2f x (split scratch %.1f MB)\n",
      (growPeak - beforeLoad) / 1e6, times(growPeak - beforeLoad),
      times(growPeak - beforeLoad - treeBytes), splitScratch / 1e6);
  std::printf("  peak growing + pruning in place           %7.1f MB = %.2f x\n",
              (std::max(growPeak, inPlacePeak) - beforeLoad) / 1e6,
              times(std::max(growPeak, inPlacePeak) - beforeLoad));
  std::printf("  peak growing + pruning a copy             %7.1f MB = %.2f x\n",
              (std::max(growPeak, copyPeak) - beforeLoad) / 1e6,
              times(std::max(growPeak, copyPeak) - beforeLoad));
  if (!peer) return 0;

  const fs::path features = folder / "peer_X.bin";
  const fs::path classes = folder / "peer_y.bin";
  int width = 0;
  WritePeerData(engine, features, classes, width);
  engine.Cases.FreeCases();
  long peerNodes = 0;
  double peerCpu = 0;
  const double peerSeconds =
      RunPeer(folder, features, classes, width, static_cast<long>(cases), peerCpu, peerNodes);
  fs::remove(features);
  fs::remove(classes);
  if (peerSeconds < 0) {
    std::printf("  peer                   not run (needs /usr/bin/python3 with python3-sklearn)\n");
    return 0;
  }
  std::printf("  peer fit (%d columns) %7.2f s  (CPU %.2f s), %ld nodes\n", width, peerSeconds,
              peerCpu, peerNodes);
  std::printf("  growing / peer         %7.2f  (CPU %.2f; target <= 1)\n",
              growSeconds / peerSeconds, growCpu / peerCpu);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  bool peer = true;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--rows" && i + 1 < argc) sizes.push_back(std::atol(argv[++i]));
    if (flag == "--no-peer") peer = false;
  }
  if (sizes.empty()) sizes = {200000, 1000000};
  const fs::path folder = fs::temp_directory_path() / "quarry-bench-grow";
  setenv("QUARRY_HOME", folder.c_str(), 0);
  for (long rows : sizes) {
    if (int status = RunSize(rows, peer); status != 0) return status;
  }
  return 0;
}
