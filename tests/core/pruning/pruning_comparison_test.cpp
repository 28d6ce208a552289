#include "core/pruning/pruning_comparison.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>
#include <string_view>
#include <thread>
#include <tuple>

#include "core/common/text_util.h"
#include "core/data/connect_string.h"
#include "core/data/working_folder.h"
#include "core/dtree/classification.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/induction_options.h"
#include "core/dtree/tree_growing.h"
#include "core/pruning/prune_tree.h"
#include "core/pruning/pruning_share.h"
#include "core/pruning/pruning_tables.h"
#include "core/pruning/run_induction.h"
#include "core/treefiles/decision_tree_writer.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_database.h"

namespace quarry::pruning {
namespace {

namespace fs = std::filesystem;

// Rows over two continuous attributes and a discrete one, a class they decide but for some
// noise, and `nulls` percent of unknown values; the same `seed` gives the same rows.
std::vector<std::vector<std::string>> MadeRows(int count, unsigned seed, int nulls) {
  unsigned state = seed;
  auto next = [&state](unsigned mod) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % mod;
  };
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < count; ++i) {
    const int x = static_cast<int>(next(100));
    const int y = static_cast<int>(next(100));
    const std::string z = std::string("v") + std::to_string(next(4));
    std::string cls = x < 40 ? "a" : (y < 50 && z != "v0" ? "b" : "c");
    if (next(100) < 10) cls = std::string(1, static_cast<char>('a' + next(3)));
    auto cell = [&](const std::string& value) { return next(100) < unsigned(nulls) ? "?" : value; };
    rows.push_back({cell(std::to_string(x)), cell(std::to_string(y)), cell(z), cls});
  }
  return rows;
}

class PruningComparisonTest : public testing::DatabaseTest {
 protected:
  // B_data with every companion table, made from rows with unknown values.
  void MakeTables(const std::string& base) {
    const std::vector<std::string> names = {"x", "y", "z", "cls"};
    const std::vector<std::string> types = {"real", "real", "string", "string"};
    auto make = [&](const std::string& table, int count, unsigned seed) {
      ASSERT_TRUE(source_.BeginTransaction());
      MakeTable(table, names, types, MadeRows(count, seed, 8));
      ASSERT_TRUE(source_.Commit());
    };
    make(base + "_data", 400, 1);
    make(base + "_prune", 200, 2);
    make(base + "_test", 200, 3);
    make(base + "_train1", 200, 4);
    make(base + "_train2", 200, 5);
    make(base + "_train", 400, 6);
    for (int v = 1; v <= kFoldPairs; ++v) {
      make(FoldTrainingName(base, v), 360, 10 + v);
      make(FoldTestName(base, v), 40, 30 + v);
    }
  }

  Status Compare(DataSource& source, const std::string& table, std::vector<int> methods,
                 const std::string& mValues = "0.5, 2,8") {
    ComparisonParameters p;
    p.tree.table = table;
    p.tree.mValues = mValues;
    p.methods = std::move(methods);
    report_.str("");
    return ComparePruningMethods(p, source, report_, NoProgress(), result_);
  }

  // The method's own job on the same tables, its trees also classifying `heldOut`.
  InductionResult Plain(DataSource& source, const std::string& table, int method,
                        const std::string& mValues, const std::string& heldOut) {
    DecisionTreeParameters p;
    p.table = table;
    p.method = method;
    p.mValues = mValues;
    p.unseen = false;
    std::ostringstream report;
    InductionResult result;
    EXPECT_TRUE(RunTreeEngine(DecisionTreeArguments(p), method, mValues, source, report,
                              NoProgress(), result, heldOut)
                    .ok())
        << method;
    return result;
  }

  // Every row pruned (of `methods`, or of every method), and its leaves and errors those its
  // method's own job reports.
  void ExpectRowsAsTheirJobs(DataSource& source, const std::string& stem,
                             const std::vector<int>& methods = {}) {
    const std::string base = BaseName(stem);
    ASSERT_TRUE(Compare(source, stem, methods).ok()) << report_.str();
    ASSERT_EQ(result_.rows.size(), methods.empty() ? PruningMethods().size() : methods.size());
    for (const ComparisonRow& row : result_.rows) {
      ASSERT_EQ(row.outcome, RowOutcome::kPruned) << row.name << ": " << row.message;
      const std::string table = UsesTrainingHalves(row.method) ? base + "_train1" : stem;
      const InductionResult withTest = Plain(source, table, row.method, "0.5, 2,8", base + "_test");
      const InductionResult withPrune =
          Plain(source, table, row.method, "0.5, 2,8", base + "_prune");
      EXPECT_EQ(row.leaves, withTest.leafCount) << row.name;
      EXPECT_EQ(row.training.errors, withTest.prunedErrors) << row.name;
      EXPECT_EQ(row.training.cases, withTest.evaluatedCases) << row.name;
      EXPECT_EQ(row.test.errors, withTest.heldOutPrunedErrors) << row.name;
      EXPECT_EQ(row.test.cases, withTest.heldOutCases) << row.name;
      EXPECT_EQ(row.prune.errors, withPrune.heldOutPrunedErrors) << row.name;
      EXPECT_TRUE(fs::exists(row.treeFile)) << row.name;
    }
  }

  std::ostringstream report_;
  ComparisonResult result_;
};

// The same on every database.
class PruningComparisonOnBackends : public PruningComparisonTest,
                                    public ::testing::WithParamInterface<testing::Backend> {
 protected:
  void SetUp() override { OpenBackend(GetParam()); }

  // What one comparison leaves for the user, times aside: report, table and files, byte for byte.
  using Outputs = std::tuple<std::string, std::string, std::map<std::string, std::string>>;

  // Two runs' report, table and files alike; a long text is shown only where it first differs.
  static void ExpectSame(const Outputs& a, const Outputs& b, const std::string& what) {
    auto around = [](const std::string& x, const std::string& y) {
      const size_t at =
          std::mismatch(x.begin(), x.begin() + std::min(x.size(), y.size()), y.begin()).first -
          x.begin();
      return std::pair{x.substr(at > 200 ? at - 200 : 0, 400),
                       y.substr(at > 200 ? at - 200 : 0, 400)};
    };
    const auto [reportA, reportB] = around(std::get<0>(a), std::get<0>(b));
    EXPECT_EQ(reportA, reportB) << what << ": the reports";
    EXPECT_EQ(std::get<0>(a).size(), std::get<0>(b).size()) << what;
    EXPECT_EQ(std::get<1>(a), std::get<1>(b)) << what << ": the tables";
    for (const auto& [name, text] : std::get<2>(a)) {
      const auto other = std::get<2>(b).find(name);
      if (other == std::get<2>(b).end()) {
        ADD_FAILURE() << what << ": only the first run wrote " << name;
        continue;
      }
      const auto [fileA, fileB] = around(text, other->second);
      EXPECT_EQ(fileA, fileB) << what << ": " << name;
    }
    EXPECT_EQ(std::get<2>(a).size(), std::get<2>(b).size()) << what << ": the files written";
  }

  // With `threads` at once, its report written through `buffer` and progress told `progress`.
  Outputs Output(const char* threads, std::vector<int> methods = {}, const char* verbosity = "1",
                 std::stringbuf* buffer = nullptr, Progress& progress = NoProgress()) {
    setenv("QUARRY_THREADS", threads, 1);
    testing::TakeWorkingFiles();
    ComparisonParameters p;
    p.tree.table = "t_data";
    p.tree.mValues = "0.5, 2,8";
    p.tree.verbosity = verbosity;
    p.tree.probThreshold = true;
    p.methods = std::move(methods);
    std::stringbuf own;
    if (buffer == nullptr) buffer = &own;
    std::ostream report(buffer);
    EXPECT_TRUE(ComparePruningMethods(p, source_, report, progress, result_).ok());
    unsetenv("QUARRY_THREADS");
    result_.grown.seconds = 0;
    for (ComparisonRow& row : result_.rows) row.seconds = 0;
    std::map<std::string, std::string> files = testing::TakeWorkingFiles();
    files.erase("t_data_compare.txt");  // the table with its times, compared without them
    files.erase("t_data_compare.csv");
    return {buffer->str(), ComparisonText(result_) + ComparisonCsv(result_), files};
  }
};

TEST_P(PruningComparisonOnBackends, EachRowIsItsMethodsOwnJobAndTheSameOnOneOrTwoThreads) {
  MakeTables("t");
  ExpectRowsAsTheirJobs(source_, "t_data");
  // The iterative method's own training half without a value the comparison's tables have
  // numbers the values otherwise: it counts on the pruning and test tables read its own way.
  ASSERT_TRUE(source_.Execute("delete from t_train1 where z = 'v0'"));
  ExpectRowsAsTheirJobs(source_, "t_data", {kIterativeGrowingPruning});
  // Methods and fold trees at once give what they give one after another.
  const auto oneAtATime = Output("1");
  EXPECT_GT(std::get<2>(oneAtATime).size(), 2u * PruningMethods().size());
  EXPECT_NE(std::get<0>(oneAtATime).find("VALIDATION TREE NUMBER 10"), std::string::npos);
  ExpectSame(Output("2"), oneAtATime, "every method, two threads");
  // Without the fold-table methods too (the iterative method starts beside the growing).
  std::vector<int> plain;
  for (const PruningMethodInfo& method : PruningMethods()) {
    if (!NeedsFoldTables(method.code)) plain.push_back(method.code);
  }
  ExpectSame(Output("2", plain), Output("1", plain), "no fold-table method, two threads");
  // A fold whose test table has no rows fails the methods sharing the fold trees, alike; with
  // more threads than pieces that can start, methods wait for the tree and the folds they need.
  ASSERT_TRUE(source_.Execute("delete from t_xs4"));
  const auto failedFold = Output("1");
  EXPECT_NE(std::get<1>(failedFold).find("the fold table t_xs4 has no rows"), std::string::npos);
  ExpectSame(Output("3"), failedFold, "a failed fold, three threads");
  if (GetParam() != testing::Backend::kSqlite) return;

  const auto copy = folder_.path() / "sample.sqlite";
  fs::copy_file(QUARRY_SAMPLE_DB, copy);
  DataSource sample;
  ASSERT_TRUE(sample.Open(SqliteConnectString(copy.string()))) << sample.LastError();
  ExpectRowsAsTheirJobs(sample, "wave_data");
}

// The report and progress of a comparison that holds the shared tree where it weighs a subset
// of values: the first thread other than its maker to write such figures (", val=") waits there
// until two more fold trees have started (told by their first progress report). As the fold
// trees then grow one at a time beside it, the second started whole inside the hold.
class HoldingReport : public std::stringbuf, public Progress {
 public:
  bool Held() const { return held_; }
  void Update(std::string_view what, long, long) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (what == "cross-validation trees") ++started_;
    changed_.notify_all();
  }

 protected:
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    if (std::this_thread::get_id() != maker_ && !tried_ &&
        std::string_view(text, static_cast<size_t>(n)).find(", val=") != std::string_view::npos) {
      tried_ = true;
      std::unique_lock<std::mutex> lock(mutex_);
      const int until = started_ + 2;
      held_ = changed_.wait_for(lock, std::chrono::seconds(30), [&] { return started_ >= until; });
    }
    return std::stringbuf::xsputn(text, n);
  }

 private:
  const std::thread::id maker_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable changed_;
  int started_ = 0;
  bool tried_ = false;
  bool held_ = false;
};

// The shared tree grows beside the fold trees; held in the middle of its growing while fold
// trees start, it leaves them growing as they grow one after another.
TEST_P(PruningComparisonOnBackends, FoldTreesStartedWhileTheTreeGrowsAreAsGrownAlone) {
  MakeTables("t");
  const std::vector<int> methods = {kErrorComplexityCV};
  const auto alone = Output("1", methods, "2");
  HoldingReport held;
  const auto beside = Output("2", methods, "2", &held, held);
  if (!held.Held()) GTEST_SKIP() << "the fold trees had all started before the tree grew";
  ExpectSame(beside, alone, "fold trees started while the tree grows");
}

INSTANTIATE_TEST_SUITE_P(Databases, PruningComparisonOnBackends,
                         ::testing::Values(testing::Backend::kSqlite, testing::Backend::kPostgres),
                         testing::BackendName);

TEST_F(PruningComparisonTest, TablesServedFromMemoryPruneAsTheDatabasesOwn) {
  MakeTables("t");
  // A pruning row of a class the training table lacks: reading it writes a message.
  ASSERT_TRUE(source_.InsertRow("t_prune", {"x", "y", "z", "cls"},
                                {"real", "real", "string", "string"}, {"1", "2", "v1", "zz"}));
  std::ostringstream report;
  dtree::InductionEngine engine(report);
  DecisionTreeParameters p;
  p.table = "t_data";
  ASSERT_TRUE(dtree::ParseInductionOptions(DecisionTreeArguments(p), engine.Options, report).ok());
  ASSERT_TRUE(LoadTrainingTable(engine, "t_data", source_).ok());
  const std::unique_ptr<dtree::TreeNode> grown = dtree::GrowNewTree(engine, 0, engine.MaxItem());
  std::vector<TableRead> reads(2);
  for (TableRead& read : reads) {
    read.table = &read == &reads[0] ? "t_data" : "t_prune";
    read.messages = KeepingReport(report, [&] { engine.LoadCases(read.table, source_); });
    read.cases = engine.Cases.CopyCases();
  }
  EXPECT_NE(reads[1].messages.find("zz' is illegal"), std::string::npos);

  // The second error complexity method takes the family the first made.
  TestSetFamily family;
  for (int method : {kReducedErrorPruning, kReducedErrorGrafting, kCriticalValuePruning,
                     kMinimumErrorPruning, kErrorComplexityTestSet, kErrorComplexityTestSet1SE}) {
    // The method's tree, its report and the cases it leaves loaded.
    auto prune = [&](PruningShare* share) {
      std::ostringstream out;
      dtree::InductionEngine own(out);
      own.Options = engine.Options;
      own.Cases.Attributes() = engine.Att();
      own.Cases.LoadCopy(reads[0].cases);
      own.AllocateWorkArrays();
      dtree::TreeNode pruned;
      const Status s = PruneTree(own, pruned, method, *grown, "t_data", source_, "0.5, 2,8", share);
      return s.message() + treefiles::DecisionTreeBlocks(pruned, own.Att()) + out.str() +
             std::to_string(dtree::CountTreeErrors(own, pruned, dtree::LeafVote::kDistribution));
    };
    ASSERT_TRUE(source_.BeginTransaction());
    const std::string fromDatabase = prune(nullptr);
    // Served from memory, the tables are not read again.
    ASSERT_TRUE(source_.Execute("update t_prune set cls = 'a'"));
    ASSERT_TRUE(source_.Execute("delete from t_data"));
    PruningShare share;
    share.tables = &reads;
    share.testSetFamily = &family;
    EXPECT_EQ(prune(&share), fromDatabase) << method;
    ASSERT_TRUE(source_.Rollback());
  }
}

TEST_F(PruningComparisonTest, TheTreeIsGrownOnceAndTheFoldTreesOnceForEveryMethod) {
  MakeTables("t");
  ASSERT_TRUE(Compare(source_, "t_data", {kStandardPrune}).ok());
  const long once = result_.grownNodes;
  ASSERT_TRUE(
      Compare(source_, "t_data",
              {kStandardPrune, kReducedErrorPruning, kCriticalValuePruning, kMinimumErrorPruning,
               kErrorComplexityTestSet1SE, kPessimisticErrorPruning, kReducedErrorGrafting})
          .ok());
  EXPECT_EQ(result_.grownNodes, once);

  ASSERT_TRUE(Compare(source_, "t_data", {kErrorComplexityCV}).ok());
  const long withFolds = result_.grownNodes;
  EXPECT_GT(withFolds, once);
  ASSERT_TRUE(Compare(source_, "t_data",
                      {kErrorComplexityCV, kErrorComplexityCV1SE, kErrorComplexityNewCV,
                       kErrorComplexityNewCV1SE})
                  .ok());
  EXPECT_EQ(result_.grownNodes, withFolds);
}

TEST_F(PruningComparisonTest, FailingAndSkippedMethodsAreRowsAndTheJobGoesOn) {
  MakeTables("t");
  ASSERT_TRUE(source_.Execute("drop table t_xs7"));
  const std::vector<std::string> before = Tables();
  auto row = [&](int method) {
    return *std::find_if(result_.rows.begin(), result_.rows.end(),
                         [method](const ComparisonRow& r) { return r.method == method; });
  };

  // A fatal condition of the method: no m value.
  ASSERT_TRUE(Compare(source_, "t_data", {}, ",1").ok());
  EXPECT_EQ(row(kMinimumErrorPruning).outcome, RowOutcome::kFailed);
  EXPECT_EQ(row(kMinimumErrorPruning).message, "No values for m in the file");
  EXPECT_FALSE(fs::exists(WorkingFile("t_data_minimum-error.tree")));
  const std::string text = testing::FileText(WorkingFile("t_data_compare.txt"));
  EXPECT_NE(text.find("minimum-error    failed: No values for m in the file"), std::string::npos)
      << text;
  EXPECT_NE(text.find("ecp-cv           skipped: needs t_xs7"), std::string::npos);
  const std::string csv = testing::FileText(WorkingFile("t_data_compare.csv"));
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2 + 13);

  // A pruning table without rows fails the methods that read it.
  ASSERT_TRUE(source_.Execute("delete from t_prune"));
  ASSERT_TRUE(Compare(source_, "t_data", {}).ok());
  EXPECT_EQ(row(kStandardPrune).outcome, RowOutcome::kPruned);
  EXPECT_EQ(row(kPessimisticErrorPruning).outcome, RowOutcome::kPruned);
  EXPECT_EQ(row(kReducedErrorPruning).outcome, RowOutcome::kFailed);
  EXPECT_NE(row(kReducedErrorPruning).message.find("t_prune has no rows"), std::string::npos);
  EXPECT_EQ(row(kErrorComplexityNewCV).outcome, RowOutcome::kSkipped);
  EXPECT_EQ(row(kErrorComplexityNewCV).message, "needs t_xs7");
  EXPECT_EQ(row(kIterativeGrowingPruning).outcome, RowOutcome::kPruned);
  for (const auto& entry : fs::directory_iterator(WorkingFolder())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
  EXPECT_EQ(Tables(), before);  // the job made no table

  ASSERT_TRUE(source_.Execute("drop table t_prune"));
  ASSERT_TRUE(Compare(source_, "t_data", {kReducedErrorGrafting, kPessimisticErrorPruning}).ok());
  ASSERT_EQ(result_.rows.size(), 2u);
  EXPECT_FALSE(result_.rows[0].prune.Counted());  // pessimistic, in code order
  EXPECT_EQ(result_.rows[1].message, "needs t_prune");
}

TEST_F(PruningComparisonTest, TheBestAndTheSmallestWithinOneStandardErrorAreMarked) {
  MakeTables("t");
  ASSERT_TRUE(Compare(source_, "t_data", {}).ok());
  const ComparisonRow* best = nullptr;
  const ComparisonRow* small = nullptr;
  int fewest = 1 << 30;
  for (const ComparisonRow& row : result_.rows) {
    fewest = std::min(fewest, row.test.errors);
    if (row.best) best = &row;
    if (row.withinOneSE) small = &row;
  }
  ASSERT_NE(best, nullptr);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(best->test.errors, fewest);
  EXPECT_LE(small->leaves, best->leaves);
  const double se = std::sqrt(fewest * (200.0 - fewest) / 200.0);
  EXPECT_LE(small->test.errors, fewest + se);
  for (const ComparisonRow& row : result_.rows) {
    if (row.test.errors <= fewest + se) {
      EXPECT_GE(row.leaves, small->leaves) << row.name;
    }
  }
}

}  // namespace
}  // namespace quarry::pruning
