#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "core/data/working_folder.h"
#include "core/modeltree/regression_cv.h"
#include "tests/core/modeltree/piecewise_table.h"
#include "tests/support/temp_database.h"

namespace quarry::modeltree {
namespace {

class RegressionCvTest : public testing::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    MakeTable("plants", testdata::kColumns, testdata::kTypes, testdata::PiecewiseRows(120));
  }

  Expected<RegressionCvOutcome> Run(int folds, PruneMode mode = PruneMode::kNone,
                                    const std::string& table = "plants") {
    RegressionCvParams params;
    params.table = table;
    params.folds = folds;
    params.prune = mode;
    return RunRegressionCV(source_, params, report_);
  }

  std::vector<std::string> ResultLines() {
    std::ifstream in(WorkingFile("risultati.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::ostringstream report_;
};

TEST_F(RegressionCvTest, EveryFoldIsMeasuredAndAppendedAndNoFoldTableStays) {
  auto outcome = Run(4);
  ASSERT_TRUE(outcome.ok()) << outcome.status().message();
  ASSERT_EQ(outcome->grown.size(), 4u);
  EXPECT_TRUE(outcome->pruned.empty());
  const std::regex line(R"(Tree[0-3]     0\.\d+E-?\d+     0\.\d+E-?\d+)");
  for (const FoldResult& fold : outcome->grown) {
    EXPECT_TRUE(std::regex_match(fold.line, line)) << fold.line;
    EXPECT_GT(fold.rmse, 0.0f);
    EXPECT_LT(fold.ratio, 0.2f);
  }
  EXPECT_EQ(outcome->grown[2].treeBase, "plants_escluso_2");
  EXPECT_TRUE(std::filesystem::exists(WorkingFile("plants_escluso_2.tree")));
  EXPECT_EQ(Tables(), std::vector<std::string>{"plants"});
  EXPECT_EQ(ResultLines().size(), 4u);
  EXPECT_EQ(ResultLines()[3], outcome->grown[3].line);

  ASSERT_TRUE(Run(2).ok());
  EXPECT_EQ(ResultLines().size(), 6u);  // the file grows over runs
}

TEST_F(RegressionCvTest, WithPruningBothTreesOfEveryFoldAreMeasured) {
  auto outcome = Run(3, PruneMode::kRegressionGrafting);
  ASSERT_TRUE(outcome.ok()) << outcome.status().message();
  ASSERT_EQ(outcome->grown.size(), 3u);
  ASSERT_EQ(outcome->pruned.size(), 3u);
  EXPECT_EQ(outcome->grown[1].treeBase, "plants_escluso_1Grown");
  EXPECT_EQ(outcome->pruned[1].treeBase, "plants_escluso_1GrownPruned");
  EXPECT_TRUE(std::filesystem::exists(WorkingFile("plants_escluso_1GrownPruned.rules")));
  EXPECT_FALSE(outcome->prunedSummary.text.empty());
  EXPECT_EQ(Tables(), std::vector<std::string>{"plants"});
  EXPECT_EQ(ResultLines().size(), 6u);
}

TEST_F(RegressionCvTest, TheFoldCountMustFitTheTable) {
  EXPECT_EQ(Run(1).status().message(),
            "the number of folds must be between 2 and 120 (the rows of plants)");
  EXPECT_EQ(Run(121).status().message(),
            "the number of folds must be between 2 and 120 (the rows of plants)");
  MakeTable("one", testdata::kColumns, testdata::kTypes, {{"1", "2", "clay", "3"}});
  EXPECT_EQ(Run(2, PruneMode::kNone, "one").status().message(),
            "table one has 1 rows; cross-validation needs at least 2");
  EXPECT_EQ(Tables(), (std::vector<std::string>{"one", "plants"}));
  EXPECT_FALSE(std::filesystem::exists(WorkingFile("risultati.txt")));
}

TEST_F(RegressionCvTest, AFoldWithoutSpreadReportsItsResidualsAsTheRatio) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 20; ++i) rows.push_back({std::to_string(i), "1", "clay", "7"});
  MakeTable("flat", testdata::kColumns, testdata::kTypes, rows);
  auto outcome = Run(2, PruneMode::kNone, "flat");
  ASSERT_TRUE(outcome.ok()) << outcome.status().message();
  for (const FoldResult& fold : outcome->grown) {
    EXPECT_EQ(fold.ratio, 0.0f);
    EXPECT_EQ(fold.line.substr(5), "     0.0000000000E0     0.0000000000E0");
  }
}

TEST(RegressionCvSummary, MeansAndSpreadsInExponentText) {
  std::vector<FoldResult> folds(3);
  folds[0].rmse = 1.0f;
  folds[1].rmse = 2.0f;
  folds[2].rmse = 3.0f;
  folds[0].ratio = folds[1].ratio = folds[2].ratio = 0.5f;
  const CvSummary summary = Summarize(folds);
  EXPECT_DOUBLE_EQ(summary.rmseMean, 2.0);
  EXPECT_DOUBLE_EQ(summary.rmseSpread, 2.0 / 3.0);  // no square root
  EXPECT_EQ(summary.text,
            "MSE:  0.20000000000E1 \xC2\xB1 0.6666666667E0\n"
            "SSres/Syy:  0.5000000000E0 \xC2\xB1 0.0000000000E0");
  EXPECT_EQ(FoldResultLine(7, 12.5f, 0.05f), "Tree7     0.125000000000E2     0.500000007E-1");
}

}  // namespace
}  // namespace quarry::modeltree
