// Growing and pruning decision trees on large synthetic tables, against a decision-tree learner
// of Python's scikit-learn fitting the same rows.
//
//   grow_tree [--rows N ...] [--table null|full] [--no-peer]
//
// For each size (default 200,000 and 1,000,000 rows) makes or reuses two SQLite tables in the
// benchmark folder: 10 continuous columns (two decimals), 5 text columns of 20 values each, a
// class of 3 values that follows the attributes with 10% noise; one with about 2% NULL, one
// without (--table picks one). Loads each into the engine and times, single-threaded, growing
// the unpruned tree and error-based pruning of it in place (as the job prunes with standard
// pruning), and measures the peak memory of both, and of pruning a copy (as a job that keeps the
// grown tree does), and the process's peak resident size (getrusage).
// Then, one core each, the whole job `quarry-cli dtree --table big_data -m 2` (load, grow,
// standard pruning, files) against the peer reading the same rows from CSV (sqlite3 -csv) and
// fitting DecisionTreeClassifier(criterion="entropy", min_samples_leaf=2), the text columns
// ordinal-encoded, then again one-hot encoded (unknowns -999). The peer needs Debian's
// python3-sklearn and python3-pandas (apt-get install python3-sklearn python3-pandas); without
// them (or without sqlite3) that part is skipped with a message.

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The peer's figures, in seconds (wall, processor).
struct PeerFigures {
  double loadWall = 0, loadCpu = 0;  // CSV read and ordinal encoding
  double ordinalWall = 0, ordinalCpu = 0;
  long ordinalNodes = 0;
  double oneHotWall = 0, oneHotCpu = 0;
  long oneHotNodes = 0;
  int oneHotColumns = 0;
};

// The cases every split node of `node`'s tree evaluated, over and above its leaves: growing's
// work, which grows with the rows faster than they do where the tree follows a boundary that no
// single test can, a few cases peeled off a large node at each level.
double CasesAtSplitNodes(const quarry::dtree::TreeNode& node) {
  if (node.IsLeaf()) return 0;
  double sum = node.Lp - node.Fp + 1;
  for (int v = 1; v <= node.Forks; ++v) {
    if (node.Branch[static_cast<size_t>(v)])
      sum += CasesAtSplitNodes(*node.Branch[static_cast<size_t>(v)]);
  }
  return sum;
}

// Reads `csv` and fits the peer on it, ordinal- then one-hot-encoded. False when it cannot run.
bool RunPeer(const fs::path& folder, const fs::path& csv, PeerFigures& peer) {
  const fs::path script = folder / "peer_fit.py";
  std::ofstream(script)
      << "import sys, time\n"
         "import numpy as np\n"
         "import pandas as pd\n"
         "from sklearn.tree import DecisionTreeClassifier\n"
         "def clock(): return time.perf_counter(), time.process_time()\n"
         "def since(s): w, c = clock(); return '%f %f' % (w - s[0], c - s[1])\n"
         "s = clock()\n"
         "d = pd.read_csv(sys.argv[1])\n"
         "y = d.pop('cls').to_numpy()\n"
         "texts = [c for c in d.columns if d[c].dtype == object]\n"
         "X = d.copy()\n"
         "for c in texts: X[c] = X[c].astype('category').cat.codes.replace(-1, -999)\n"
         "X = X.fillna(-999).to_numpy(dtype=np.float32)\n"
         "load = since(s)\n"
         "s = clock()\n"
         "m = DecisionTreeClassifier(criterion='entropy', min_samples_leaf=2).fit(X, y)\n"
         "ordinal = since(s) + ' %d' % m.tree_.node_count\n"
         "H = pd.get_dummies(d, columns=texts, dtype=np.float32)\n"
         "for c in texts: H.loc[d[c].isna(), [h for h in H.columns if h.startswith(c + '_')]] = "
         "-999\n"
         "H = H.fillna(-999).to_numpy(dtype=np.float32)\n"
         "s = clock()\n"
         "m = DecisionTreeClassifier(criterion='entropy', min_samples_leaf=2).fit(H, y)\n"
         "print(load, ordinal, since(s), m.tree_.node_count, H.shape[1])\n";
  const std::string command = "OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 /usr/bin/python3 " +
                              script.string() + " " + csv.string() + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  const int got =
      std::fscanf(pipe, "%lf %lf %lf %lf %ld %lf %lf %ld %d", &peer.loadWall, &peer.loadCpu,
                  &peer.ordinalWall, &peer.ordinalCpu, &peer.ordinalNodes, &peer.oneHotWall,
                  &peer.oneHotCpu, &peer.oneHotNodes, &peer.oneHotColumns);
  return pclose(pipe) == 0 && got == 9;
}

// Runs `command` (a shell command line); its wall and processor seconds, or false.
bool TimeCommand(const std::string& command, double& wall, double& cpu) {
  const double before = CpuSeconds(RUSAGE_CHILDREN);
  const auto start = Clock::now();
  const bool ok = std::system(command.c_str()) == 0;
  wall = Seconds(start);
  cpu = CpuSeconds(RUSAGE_CHILDREN) - before;
  return ok;
}

// The folder of this program, where quarry-cli is built too.
fs::path ProgramFolder() {
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error).parent_path();
}

// The whole job against the peer's load and fit, one core each.
void CompareWithPeer(const fs::path& folder, const fs::path& db, double growCpu) {
  const fs::path cli = ProgramFolder() / "quarry-cli";
  double jobWall = 0, jobCpu = 0;
  const bool job =
      TimeCommand("QUARRY_THREADS=1 QUARRY_HOME='" + folder.string() + "' '" + cli.string() +
                      "' --db '" + db.string() + "' dtree --table big_data -m 2 > /dev/null 2>&1",
                  jobWall, jobCpu);
  if (job) {
    std::printf("  whole job quarry-cli dtree -m 2 %6.2f s  (CPU %.2f s)\n", jobWall, jobCpu);
  } else {
    std::printf("  whole job                      failed (%s)\n", cli.c_str());
  }
  const fs::path csv = folder / "peer.csv";
  if (std::system(("sqlite3 -csv -header '" + db.string() + "' 'select * from big_data' > '" +
                   csv.string() + "' 2>/dev/null")
                      .c_str()) != 0) {
    fs::remove(csv);
    std::printf("  peer                   not run (needs the sqlite3 program)\n");
    return;
  }
  PeerFigures peer;
  const bool ran = RunPeer(folder, csv, peer);
  fs::remove(csv);
  if (!ran) {
    std::printf(
        "  peer                   not run (needs /usr/bin/python3 with python3-sklearn and "
        "python3-pandas)\n");
    return;
  }
  std::printf("  peer CSV load          %7.2f s  (CPU %.2f s)\n", peer.loadWall, peer.loadCpu);
  std::printf("  peer fit, ordinal      %7.2f s  (CPU %.2f s), %ld nodes\n", peer.ordinalWall,
              peer.ordinalCpu, peer.ordinalNodes);
  std::printf("  peer fit, one-hot (%d columns) %7.2f s  (CPU %.2f s), %ld nodes\n",
              peer.oneHotColumns, peer.oneHotWall, peer.oneHotCpu, peer.oneHotNodes);
  std::printf("  growing / peer fit     CPU %.2f ordinal, %.2f one-hot\n",
              growCpu / peer.ordinalCpu, growCpu / peer.oneHotCpu);
  if (job) {
    std::printf("  job / peer load + fit  CPU %.2f ordinal (wall %.2f), %.2f one-hot\n",
                jobCpu / (peer.loadCpu + peer.ordinalCpu),
                jobWall / (peer.loadWall + peer.ordinalWall),
                jobCpu / (peer.loadCpu + peer.oneHotCpu));
  }
}

int RunTable(long rows, bool nulls, bool peer) {
  const fs::path folder = fs::temp_directory_path() / "quarry-bench-grow";
  fs::create_directories(folder);
  const fs::path db =
      folder / ("grow_" + std::to_string(rows) + (nulls ? "" : "_full") + ".sqlite");
  quarry::DataSource source;
  if (!quarry::bench::OpenSyntheticTable(source, db, rows, "null",
                                         quarry::bench::kSyntheticClassRule, nulls))
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
  const double evaluated = CasesAtSplitNodes(*tree);
  engine.Options.VERBOSITY = 0;

  // Pruning a copy, as a job does that evaluates on unseen cases or whose method needs the
  // grown tree beside the pruned one. Both prune as the job does without softened thresholds,
  // from counts where every value is known.
  auto copy = quarry::dtree::CopyTree(*tree);
  quarry::dtree::ErrorBasedPrune(engine, *copy, "big_data", true);
  const long long copyPeak = StatusBytes("VmHWM:");
  copy.reset();
  malloc_trim(0);

  // Pruning in place, as the job does with standard pruning.
  quarry::bench::ResetPeakMemory();
  start = Clock::now();
  cpu = CpuSeconds();
  quarry::dtree::ErrorBasedPrune(engine, *tree, "big_data", true);
  const double pruneSeconds = Seconds(start);
  const double pruneCpu = CpuSeconds() - cpu;
  const long long inPlacePeak = StatusBytes("VmHWM:");
  const int prunedNodes = quarry::dtree::TreeSize(*tree);
  tree.reset();
  malloc_trim(0);
  const long long treeBytes = afterGrow - StatusBytes("VmRSS:");

  auto times = [&](long long bytes) { return static_cast<double>(bytes) / caseArray; };
  std::printf(
      "\n%lld rows, %d attributes (%d continuous, %d discrete of %d values), 3 classes, %s\n",
      cases, engine.MaxAtt() + 1, quarry::bench::kSyntheticContinuous,
      quarry::bench::kSyntheticDiscrete, quarry::bench::kSyntheticValues,
      nulls ? "about 2% NULL" : "no NULL");
  std::printf("  load into cases        %7.2f s\n", loadSeconds);
  std::printf("  grow unpruned tree     %7.2f s  (CPU %.2f s), %d nodes, %d leaves, depth %d\n",
              growSeconds, growCpu, treeNodes, treeLeaves, treeDepth);
  std::printf("  cases evaluated at split nodes %.0f = %.1f a row\n", evaluated,
              evaluated / static_cast<double>(cases));
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
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("  peak resident size of the process (ru_maxrss) %.1f MiB\n",
              usage.ru_maxrss / 1024.0);
  std::fflush(stdout);
  if (!peer) return 0;

  engine.Cases.FreeCases();
  if (!source.Execute("create table if not exists big_data as select * from big")) {
    std::cerr << "cannot make big_data: " << source.LastError() << "\n";
    return 1;
  }
  source.Close();
  CompareWithPeer(folder, db, growCpu);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  bool peer = true;
  std::string tables = "both";
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--rows" && i + 1 < argc) sizes.push_back(std::atol(argv[++i]));
    if (flag == "--table" && i + 1 < argc) tables = argv[++i];
    if (flag == "--no-peer") peer = false;
  }
  if (sizes.empty()) sizes = {200000, 1000000};
  const fs::path folder = fs::temp_directory_path() / "quarry-bench-grow";
  setenv("QUARRY_HOME", folder.c_str(), 0);
  for (long rows : sizes) {
    for (const bool nulls : {true, false}) {
      if (tables != "both" && (tables == "null") != nulls) continue;
      // Each table in a process of its own, so that its memory figures start from nothing.
      std::fflush(stdout);
      const pid_t child = fork();
      if (child == 0) {
        const int result = RunTable(rows, nulls, peer);
        std::fflush(stdout);
        std::_Exit(result);
      }
      int status = 1;
      if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
          WEXITSTATUS(status) != 0) {
        return 1;
      }
    }
  }
  return 0;
}
