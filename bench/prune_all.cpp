// Every pruning method on one large tree, timed against growing it.
//
//   prune_all [--rows N] [--noise P] [--nulls P] [--db FILE] [--methods NAME,NAME...]
//
// Makes (or reuses, with --db) an SQLite database with a training table of N rows (default
// 200,000): 6 REAL and 2 TEXT attributes, a class that a few thresholds decide, P % (default 2)
// of the classes drawn at random, P % (default 2) NULL in each attribute; a pruning table of N / 2
// rows; the two halves and the whole of the iterative method; and the ten cross-validation fold
// pairs (each fold trains on nine tenths of the training table). Grows the tree once, then runs
// PruneTree with every method and prints its time (database reads included) as a multiple of the
// growing time, in wall-clock and processor seconds.
//
//   prune_all --compare 1 [--repeat R] [--rows N] [--noise P] [--nulls P]
//
// Times the comparison job instead (dtree-compare: the tree grown once, every method pruning a
// copy and counted on the training, pruning and test tables, the files written): first the
// methods without cross-validation, then all of them, each as a multiple of growing the
// comparison's tree (the dialog's options) just before it in the same run, and beside that of
// growing the engine's default tree, R times, with the load average. QUARRY_THREADS sets how
// many methods and fold trees run at once.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/text_util.h"
#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/induction_options.h"
#include "core/dtree/tree_growing.h"
#include "core/pruning/decision_tree_job.h"
#include "core/pruning/prune_tree.h"
#include "core/pruning/pruning_comparison.h"
#include "core/pruning/pruning_tables.h"

namespace {

using Clock = std::chrono::steady_clock;
using quarry::DataSource;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The attributes, each NULL in `nulls` percent of the rows.
std::string Values(int nulls) {
  const std::string isNull = "case when abs(random()) % 100 < " + std::to_string(nulls);
  std::string values;
  for (int i = 1; i <= 6; ++i) {
    values += isNull + " then null else (abs(random()) % 10000) / 100.0 end as r" +
              std::to_string(i) + ",";
  }
  for (int i = 1; i <= 2; ++i) {
    values +=
        isNull + " then null else 'v' || (abs(random()) % 8) end as s" + std::to_string(i) + ",";
  }
  return values;
}

// A class that thresholds on r1, r2 and s1 decide, with `noise` percent of the rows given a
// random class. It is set by an UPDATE over the stored values: in an INSERT ... SELECT the
// database may evaluate the attributes' random() again for each use in the class expression,
// which would leave the class unrelated to the attributes stored.
std::string ClassUpdate(const std::string& table, int noise) {
  return "update " + table + " set cls = case when abs(random()) % 100 < " + std::to_string(noise) +
         " then 'c' || (abs(random()) % 3) "
         "when r1 < 30 then 'c0' when r2 < 50 and s1 in ('v1', 'v2', 'v3') then 'c1' "
         "when r2 < 70 then 'c2' else 'c0' end";
}

const char* kColumns =
    "(r1 real, r2 real, r3 real, r4 real, r5 real, r6 real, s1 text, s2 text, cls text)";

bool MakeTable(DataSource& source, const std::string& name, long rows, int noise, int nulls) {
  return source.Execute("create table " + name + kColumns) &&
         source.Execute("insert into " + name +
                        " select r1, r2, r3, r4, r5, r6, s1, s2, null"
                        " from (with recursive n(i) as (select 1 union all select i + 1 from n "
                        "where i < " +
                        std::to_string(rows) + ") select " + Values(nulls) + " i from n)") &&
         source.Execute(ClassUpdate(name, noise));
}

bool Copy(DataSource& source, const std::string& name, const std::string& from,
          const std::string& where) {
  return source.Execute("create table " + name + kColumns) &&
         source.Execute("insert into " + name + " select * from " + from + " where " + where);
}

bool MakeDatabase(DataSource& source, long rows, int noise, int nulls) {
  using namespace quarry::pruning;
  if (!MakeTable(source, "b_data", rows, noise, nulls) ||
      !MakeTable(source, "b_prune", rows / 2, noise, nulls) ||
      !MakeTable(source, "b_test", rows / 2, noise, nulls) ||
      !Copy(source, "b_train1", "b_data", "rowid % 2 = 0") ||
      !Copy(source, "b_train2", "b_data", "rowid % 2 = 1") ||
      !Copy(source, "b_train", "b_data", "1")) {
    return false;
  }
  for (int v = 1; v <= kFoldPairs; ++v) {
    const std::string rest = "rowid % 10 != " + std::to_string(v - 1);
    const std::string fold = "rowid % 10 = " + std::to_string(v - 1);
    if (!Copy(source, FoldTrainingName("b", v), "b_data", rest) ||
        !Copy(source, FoldTestName("b", v), "b_data", fold)) {
      return false;
    }
  }
  return true;
}

// The tree the comparison grows: the decision-tree dialog's options on b_data.
quarry::pruning::DecisionTreeParameters ComparedTree() {
  quarry::pruning::DecisionTreeParameters tree;
  tree.table = "b_data";
  tree.unseen = false;
  tree.mValues = "0,0.5,1,2,4,8,16";
  return tree;
}

// Wall and processor seconds of growing a tree.
struct GrowTimes {
  double wall = 0;
  double cpu = 0;
};

// The comparison job with the methods `codes` (all when empty), timed against growing its tree
// (`grown`) and the engine's default tree (`plain`).
void TimeComparison(DataSource& source, const char* what, const std::vector<int>& codes,
                    const GrowTimes& grown, const GrowTimes& plain) {
  quarry::pruning::ComparisonParameters p;
  p.tree = ComparedTree();
  p.methods = codes;
  std::ostringstream report;
  quarry::pruning::ComparisonResult result;
  const auto start = Clock::now();
  const double cpu = CpuSeconds();
  const quarry::Status status =
      quarry::pruning::ComparePruningMethods(p, source, report, quarry::NoProgress(), result);
  const double seconds = Seconds(start);
  const double cpuSeconds = CpuSeconds() - cpu;
  if (!status.ok()) {
    std::printf("%s: failed: %s\n", what, status.message().c_str());
    return;
  }
  double load[3] = {0, 0, 0};
  getloadavg(load, 3);
  std::printf("%-20s %7.2f %6.2f %7.2f %6.2f %7.2f %7.2f %6.2f %6.2f %6.2f\n", what, seconds,
              seconds / grown.wall, cpuSeconds, cpuSeconds / grown.cpu, grown.wall, grown.cpu,
              seconds / plain.wall, cpuSeconds / plain.cpu, load[0]);
  for (const quarry::pruning::ComparisonRow& row : result.rows) {
    std::printf("  %-16s %7.2f s %7d leaves %s\n", row.name.c_str(), row.seconds, row.leaves,
                row.message.c_str());
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  long rows = 200000;
  std::string dbPath;
  std::string only;  // method names to run, comma-separated; all when empty
  int noise = 2;     // percent of rows with a random class
  int nulls = 2;     // percent of NULL values in each attribute
  bool compare = false;
  int repeat = 1;  // comparisons, each after growing the tree again
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--rows") rows = std::atol(argv[i + 1]);
    if (flag == "--db") dbPath = argv[i + 1];
    if (flag == "--methods") only = "," + std::string(argv[i + 1]) + ",";
    if (flag == "--noise") noise = std::atoi(argv[i + 1]);
    if (flag == "--nulls") nulls = std::atoi(argv[i + 1]);
    if (flag == "--compare") compare = std::atoi(argv[i + 1]) != 0;
    if (flag == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
  }
  const auto folder = std::filesystem::temp_directory_path() / "quarry-bench-prune";
  std::filesystem::create_directories(folder);
  setenv("QUARRY_HOME", folder.c_str(), 0);
  if (dbPath.empty()) {
    dbPath = (folder / ("prune_" + std::to_string(rows) + "_noise" + std::to_string(noise) +
                        "_nulls" + std::to_string(nulls) + ".sqlite"))
                 .string();
  }

  DataSource source;
  if (!std::filesystem::exists(dbPath)) {
    std::cout << "making the tables of " << rows << " training rows in " << dbPath << "\n";
    if (!DataSource::CreateSqliteFile(dbPath) ||
        !source.Open(quarry::SqliteConnectString(dbPath)) ||
        !MakeDatabase(source, rows, noise, nulls)) {
      std::cerr << "cannot make the tables: " << source.LastError() << "\n";
      std::filesystem::remove(dbPath);
      return 1;
    }
    source.Close();
  }
  if (!source.Open(quarry::SqliteConnectString(dbPath))) {
    std::cerr << source.LastError() << "\n";
    return 1;
  }

  std::ostringstream report;
  quarry::dtree::InductionEngine engine(report);
  auto load = [&](const std::string& table) {
    return engine.LoadAttributes(table, source).ok() && engine.LoadCases(table, source) == 0;
  };
  if (!load("b_data")) {
    std::cerr << "cannot load b_data: " << source.LastError() << "\n";
    return 1;
  }
  // Grows the tree from the loaded training table: wall and processor seconds.
  std::unique_ptr<quarry::dtree::TreeNode> grown;
  auto grow = [&](double& wall, double& cpuSeconds) {
    engine.ResetWeights();
    engine.AllKnown = true;
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    grown = quarry::dtree::GrowNewTree(engine, 0, engine.MaxItem());
    wall = Seconds(start);
    cpuSeconds = CpuSeconds() - cpu;
  };
  double growSeconds = 0, growCpu = 0;
  grow(growSeconds, growCpu);
  std::printf("training rows %d, grown tree %d leaves\n", engine.MaxItem() + 1,
              quarry::dtree::LeafCount(*grown));
  std::printf("%-16s %8.2f s wall %8.2f s cpu\n", "growing", growSeconds, growCpu);
  if (compare) {
    // The comparison grows its tree with the dialog's options, tests on groups of discrete
    // values among them, which take longer than the engine's defaults: each comparison is timed
    // against growing its own tree just before it, in the same run, and beside that against the
    // engine's default tree (the figures of earlier rounds).
    const quarry::dtree::InductionOptions defaults = engine.Options;
    quarry::dtree::InductionOptions compared;
    std::ostringstream ignored;
    if (!quarry::dtree::ParseInductionOptions(
             quarry::pruning::DecisionTreeArguments(ComparedTree()), compared, ignored)
             .ok()) {
      std::cerr << "cannot read the comparison's options\n";
      return 1;
    }
    auto growWith = [&](const quarry::dtree::InductionOptions& options) {
      engine.Options = options;
      GrowTimes times;
      grow(times.wall, times.cpu);
      return times;
    };
    growWith(compared);
    std::printf("the comparison's tree %d leaves\n", quarry::dtree::LeafCount(*grown));
    const char* threads = std::getenv("QUARRY_THREADS");
    std::printf("QUARRY_THREADS=%s, %d repetition(s)\n", threads ? threads : "(unset)", repeat);
    std::printf("%-20s %7s %6s %7s %6s %7s %7s %13s %6s\n", "comparison", "wall s", "x", "cpu s",
                "x", "grow s", "cpu s", "x defaults", "load");
    std::vector<int> plain;
    for (const quarry::pruning::PruningMethodInfo& method : quarry::pruning::PruningMethods()) {
      if (!quarry::pruning::NeedsFoldTables(method.code)) plain.push_back(method.code);
    }
    for (int r = 0; r < repeat; ++r) {
      for (const bool all : {false, true}) {
        const GrowTimes byDefaults = growWith(defaults);
        const GrowTimes itsOwn = growWith(compared);
        TimeComparison(source, all ? "every method" : "methods without CV",
                       all ? std::vector<int>() : plain, itsOwn, byDefaults);
      }
    }
    return 0;
  }
  std::printf("%-16s %8s %10s %8s %10s %7s\n", "method", "wall s", "x growing", "cpu s",
              "x growing", "leaves");

  for (const quarry::pruning::PruningMethodInfo& method : quarry::pruning::PruningMethods()) {
    if (!only.empty() && only.find("," + std::string(method.cliName) + ",") == std::string::npos) {
      continue;
    }
    const bool halves = quarry::pruning::UsesTrainingHalves(method.code);
    const std::string training = halves ? "b_train1" : "b_data";
    if (!load(training)) {
      std::cerr << "cannot load " << training << "\n";
      return 1;
    }
    engine.ResetWeights();
    engine.AllKnown = true;
    // The iterative method grows its own tree on the first half; the others share the one.
    auto own = halves ? quarry::dtree::GrowNewTree(engine, 0, engine.MaxItem()) : nullptr;
    report.str("");
    quarry::dtree::TreeNode result;
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    const quarry::Status status = quarry::pruning::PruneTree(
        engine, result, method.code, halves ? *own : *grown, training, source, "0,0.5,1,2,4,8,16");
    const double seconds = Seconds(start);
    const double cpuSeconds = CpuSeconds() - cpu;
    if (!status.ok()) {
      // A family of more than 1000 trees ends the cost-complexity methods: say so and go on.
      std::printf("%-16s %8.2f s, failed: %s\n", std::string(method.cliName).c_str(), seconds,
                  std::string(quarry::Trim(status.message())).c_str());
      std::fflush(stdout);
      continue;
    }
    std::printf("%-16s %8.2f %10.2f %8.2f %10.2f %7d\n", std::string(method.cliName).c_str(),
                seconds, seconds / growSeconds, cpuSeconds, cpuSeconds / growCpu,
                quarry::dtree::LeafCount(result));
    std::fflush(stdout);
  }
  return 0;
}
