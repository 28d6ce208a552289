#include "core/pruning/decision_tree_job.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "core/pruning/classification_cv.h"
#include "tests/core/dtree/engine_test_support.h"

namespace quarry::pruning {
namespace {

using Args = std::vector<std::string>;

TEST(DecisionTreeArguments, FollowTheDialogsOrder) {
  DecisionTreeParameters p;
  p.table = "golf_data";
  EXPECT_EQ(DecisionTreeArguments(p),
            (Args{"quarry", "-f", "golf_data", "-u", "-s", "-c", "0.25", "-m", "2"}));
  p.gainCriterion = p.probThreshold = p.windowing = true;
  p.trials = "5";
  EXPECT_EQ(DecisionTreeArguments(p),
            (Args{"quarry", "-f", "golf_data", "-g", "-p", "-u", "-s", "-c", "0.25", "-m", "2",
                  "-w", "0", "-t", "5", "-i", "0"}));
  EXPECT_EQ(CrossValidationArguments(p),
            (Args{"quarry", "-f", "golf_data", "-u", "-g", "-p", "-s", "-c", "0.25", "-m", "2"}));
  p.method = kReducedErrorGrafting;  // windowing goes with standard pruning only
  EXPECT_EQ(DecisionTreeArguments(p).size(), 11u);
}

class TreeJobTest : public dtree::EngineTest {
 protected:
  std::ostringstream out_;
  InductionResult result_;
};

TEST_F(TreeJobTest, TheJobChecksItsTablesAndTheEngineIsTakenOnce) {
  MakeGolf("g_data");
  DecisionTreeParameters p;
  p.table = "g_data";
  p.unseen = false;
  p.method = kReducedErrorGrafting;
  Status s = DecisionTreeJob(p, source_, out_, NoProgress(), result_);
  EXPECT_EQ(s.code(), StatusCode::kNotFound);
  EXPECT_EQ(s.message().rfind("error, not all tables are availables", 0), 0u) << s.message();
  p.method = kPessimisticErrorPruning;  // needs the training table alone
  EXPECT_TRUE(DecisionTreeJob(p, source_, out_, NoProgress(), result_).ok());
  {
    EngineClaim other;
    s = DecisionTreeJob(p, source_, out_, NoProgress(), result_);
    EXPECT_EQ(s.code(), StatusCode::kBusy);
    EXPECT_EQ(s.message(), "method busy");
  }
  EXPECT_TRUE(DecisionTreeEngineFree().load());
}

// Drops one of the tables a fold needs when that fold starts.
class DropAtFold : public Progress {
 public:
  DropAtFold(DataSource& source, long fold, std::string table)
      : source_(source), fold_(fold), table_(std::move(table)) {}
  void Update(std::string_view what, long done, long) override {
    if (what == "tree number" && done == fold_) source_.DropTable(table_);
  }

 private:
  DataSource& source_;
  long fold_;
  std::string table_;
};

TEST_F(TreeJobTest, CrossValidationMakesAndDropsEveryTableAlsoWhenAFoldFails) {
  MakeRows("w_data", {"x", "c"}, {"real", "string"}, [] {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 60; ++i) rows.push_back({std::to_string(i % 17), i % 3 ? "a" : "b"});
    return rows;
  }());
  MakeRows("w_prune", {"x", "c"}, {"real", "string"}, [] {
    std::vector<std::vector<std::string>> rows;
    for (int x = 1; x <= 11; ++x) rows.push_back({std::to_string(x), x % 3 == 2 ? "b" : "a"});
    return rows;
  }());
  const std::vector<std::string> before = Tables();
  ClassificationCvParameters p;
  p.tree.table = "w_data";
  p.tree.unseen = false;
  p.tree.method = kReducedErrorPruning;
  p.folds = 10;
  ClassificationCvResult result;
  ASSERT_TRUE(ClassificationCrossValidation(p, source_, out_, NoProgress(), result).ok());
  ASSERT_EQ(result.folds.size(), 10u);
  double raw = 0;
  for (const FoldErrors& f : result.folds) {
    raw += f.raw;
    EXPECT_EQ(f.cases, 6);  // evaluated on the fold left out
  }
  EXPECT_DOUBLE_EQ(result.meanRaw, raw / 10);
  EXPECT_EQ(Tables(), before);
  EXPECT_EQ(CrossValidationTables(p).size(), 40u);

  // The table goes when fold 4 starts: with folds at once, another fold's report could come
  // first and fold 4 could have read its tables already, so the folds run one at a time here.
  setenv("QUARRY_THREADS", "1", 1);
  DropAtFold dropper(source_, 4, "w_prune_escluso_3");
  Status s = ClassificationCrossValidation(p, source_, out_, dropper, result);
  unsetenv("QUARRY_THREADS");
  EXPECT_EQ(s.code(), StatusCode::kNotFound);
  EXPECT_EQ(s.message().rfind("fold 4: error, not all tables are availables", 0), 0u)
      << s.message();
  EXPECT_EQ(Tables(), before);

  // The fold-table methods get ten fold pairs per fold; all go again.
  p.tree.method = kErrorComplexityNewCV;
  p.folds = 2;
  ASSERT_TRUE(ClassificationCrossValidation(p, source_, out_, NoProgress(), result).ok())
      << out_.str();
  EXPECT_EQ(Tables(), before);
}

TEST_F(TreeJobTest, CrossValidationCountsEachRowOnceOnTheFoldThatLeftItOut) {
  // Two "b" among 58 "a" with nothing to split on: every tree is the leaf "a", so each "b" row
  // is misclassified once, by the fold that left it out. Counting on the training parts instead
  // would find each in nine folds.
  MakeRows("one_data", {"x", "c"}, {"real", "string"}, [] {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 60; ++i) rows.push_back({"1", i == 7 || i == 30 ? "b" : "a"});
    return rows;
  }());
  ClassificationCvParameters p;
  p.tree.table = "one_data";
  p.tree.unseen = false;
  p.tree.method = kPessimisticErrorPruning;
  p.folds = 10;
  ClassificationCvResult result;
  ASSERT_TRUE(ClassificationCrossValidation(p, source_, out_, NoProgress(), result).ok());
  int raw = 0, pruned = 0, cases = 0;
  for (const FoldErrors& f : result.folds) {
    raw += f.raw;
    pruned += f.pruned;
    cases += f.cases;
  }
  EXPECT_EQ(raw, 2);
  EXPECT_EQ(pruned, 2);
  EXPECT_EQ(cases, 60);
  EXPECT_DOUBLE_EQ(result.meanRaw, 0.2);
}

TEST_F(TreeJobTest, CrossValidationRefusesBadInputAndTouchesNothing) {
  MakeGolf("g_data");
  MakeGolf("g_train1");
  const std::vector<std::string> before = Tables();
  ClassificationCvParameters p;
  p.tree.table = "g_data";
  p.tree.unseen = false;
  ClassificationCvResult result;
  auto message = [&] {
    return ClassificationCrossValidation(p, source_, out_, NoProgress(), result).message();
  };
  p.folds = 1;
  EXPECT_EQ(message(), "K fold must be 2 or more");
  p.folds = 15;
  EXPECT_EQ(message(), "K fold (15) is more than the 14 rows of g_data: every fold needs a row");
  p.folds = 5;
  p.tree.method = kCriticalValuePruning;
  EXPECT_EQ(message(), "you need the *_prune table");
  p.tree.table = "g_train1";
  p.tree.method = kIterativeGrowingPruning;
  EXPECT_EQ(message(), "you need the *_train2 table");
  p.tree.table = "g_data";
  p.tree.method = kStandardPrune;
  p.tree.unseen = true;
  EXPECT_NE(message().find("you need the *_test table"), std::string::npos);
  p.tree.unseen = false;
  MakeGolf("g_data3");
  EXPECT_NE(message().find("the table g_data3 exists already"), std::string::npos);
  EXPECT_EQ(Tables().size(), before.size() + 1);
  p.tree.table = "";
  EXPECT_EQ(message(), "Please, select table");
}

}  // namespace
}  // namespace quarry::pruning
