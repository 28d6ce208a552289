#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/data/working_folder.h"
#include "core/modeltree/model_tree_job.h"
#include "core/treefiles/rules_file_reader.h"
#include "core/treefiles/tree_file_reader.h"
#include "tests/core/modeltree/piecewise_table.h"
#include "tests/support/temp_database.h"

namespace quarry::modeltree {
namespace {

class ModelTreeJobTest : public testing::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    MakeTable("plants", testdata::kColumns, testdata::kTypes, testdata::PiecewiseRows(200));
  }

  Expected<ModelTreeOutcome> Run(PruneMode mode, const std::string& table = "plants") {
    ModelTreeParams params;
    params.table = table;
    params.prune = mode;
    return RunModelTreeJob(source_, params, report_, NoProgress());
  }

  // The files parse with the shared reader, node for node and rule for rule.
  void ExpectReadable(const ModelTreeFiles& files) {
    auto tree = treefiles::ReadTreeFile(files.tree);
    ASSERT_TRUE(tree.ok()) << files.tree << ": " << tree.status().message();
    EXPECT_TRUE(tree->IsModelTree());
    const ModelTreeCounts& c = files.counts;
    EXPECT_EQ(tree->nodes.size(), static_cast<size_t>(c.splits + c.regressions + c.leaves));
    auto rules = treefiles::ReadRulesFile(files.rules);
    ASSERT_TRUE(rules.ok()) << files.rules << ": " << rules.status().message();
    EXPECT_EQ(rules->rules.size(), static_cast<size_t>(c.leaves));
    const std::string error = "ERROR = " + std::to_string(files.errors.Rmse());
    EXPECT_EQ(tree->errorLine, error);
    ASSERT_GE(rules->summary.size(), 2u);
    EXPECT_EQ(rules->summary[0], error);
  }

  std::ostringstream report_;
};

TEST_F(ModelTreeJobTest, GrowsWritesAndEvaluatesOnTheWholeTable) {
  auto outcome = Run(PruneMode::kNone);
  ASSERT_TRUE(outcome.ok()) << outcome.status().message();
  const ModelTreeFiles& grown = outcome->grown;
  EXPECT_EQ(grown.tree, WorkingFile("plants.tree"));
  EXPECT_EQ(grown.rules, WorkingFile("plants.rules"));
  EXPECT_FALSE(outcome->pruned);
  EXPECT_EQ(grown.errors.n, 200);
  // The target is piecewise linear with noise of at most 1: the tree explains nearly all of it.
  EXPECT_LT(grown.errors.Rmse(), 1.5);
  EXPECT_LT(grown.errors.Ratio(), 0.1);
  ExpectReadable(grown);
}

struct SettingFiles {
  PruneMode mode;
  const char* grown;
  const char* pruned;
  int prunedHeaderCases;  // the table the pruned leaves were labelled on
};

class PruneSettings : public ModelTreeJobTest,
                      public ::testing::WithParamInterface<SettingFiles> {};

TEST_P(PruneSettings, WriteTheirFilesAndDropTheirWorkTables) {
  const SettingFiles expected = GetParam();
  auto outcome = Run(expected.mode);
  ASSERT_TRUE(outcome.ok()) << outcome.status().message();
  EXPECT_EQ(outcome->grown.baseName, expected.grown);
  ASSERT_TRUE(outcome->pruned);
  EXPECT_EQ(outcome->pruned->baseName, expected.pruned);
  EXPECT_TRUE(std::filesystem::exists(WorkingFile(std::string(expected.pruned) + ".tree")));
  EXPECT_TRUE(std::filesystem::exists(WorkingFile(std::string(expected.pruned) + ".rules")));
  ExpectReadable(outcome->grown);
  ExpectReadable(*outcome->pruned);
  // The pruned tree's errors are over the whole table, whatever it grew on.
  EXPECT_EQ(outcome->pruned->evaluatedOn, "plants");
  EXPECT_EQ(outcome->pruned->errors.n, 200);
  auto tree = treefiles::ReadTreeFile(outcome->pruned->tree);
  ASSERT_TRUE(tree.ok());
  EXPECT_EQ(tree->readLine,
            "Read  " + std::to_string(expected.prunedHeaderCases) + " cases, with 3  attributes.");
  const ModelTreeCounts& grown = outcome->grown.counts;
  const ModelTreeCounts& pruned = outcome->pruned->counts;
  EXPECT_LE(pruned.leaves, grown.leaves);
  EXPECT_EQ(Tables(), std::vector<std::string>{"plants"});
  EXPECT_TRUE(outcome->leftTables.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ModelTreeJob, PruneSettings,
    ::testing::Values(
        SettingFiles{PruneMode::kLabelsOnGrowingSet, "plantsGrown", "plantsGrownPruned", 140},
        SettingFiles{PruneMode::kLabelsOnPruningSet, "plantsGrown", "plantsGrownPruned", 60},
        SettingFiles{PruneMode::kLabelsOnTrainingSet, "plantsGrown", "plantsPruned", 200},
        SettingFiles{PruneMode::kRegressionGrafting, "plantsGrown", "plantsGrownPruned", 140},
        SettingFiles{PruneMode::kDescriptionLength, "plants", "plantsPruned", 200}));

TEST_F(ModelTreeJobTest, PruningCutsBackATreeGrownOnNoise) {
  std::vector<std::vector<std::string>> rows;
  Rand rand;
  for (int i = 0; i < 300; ++i) {
    rows.push_back({std::to_string(rand.Next() % 1000), std::to_string(rand.Next() % 1000),
                    std::to_string(rand.Next() % 1000)});
  }
  MakeTable("noise", {"a", "b", "y"}, {"real", "real", "real"}, rows);
  for (PruneMode mode : {PruneMode::kLabelsOnGrowingSet, PruneMode::kRegressionGrafting,
                         PruneMode::kDescriptionLength}) {
    auto outcome = Run(mode, "noise");
    ASSERT_TRUE(outcome.ok()) << outcome.status().message();
    ASSERT_GT(outcome->grown.counts.leaves, 1);
    EXPECT_LT(outcome->pruned->counts.leaves, outcome->grown.counts.leaves)
        << static_cast<int>(mode);
  }
}

TEST_F(ModelTreeJobTest, APerfectlyLinearTableLeavesNothingUnexplained) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 40; ++i)
    rows.push_back({std::to_string(i), std::to_string(i % 5), std::to_string(3 + 2 * i)});
  MakeTable("line", {"x", "z", "y"}, {"real", "real", "real"}, rows);
  auto outcome = Run(PruneMode::kNone, "line");
  ASSERT_TRUE(outcome.ok()) << outcome.status().message();
  auto tree = treefiles::ReadTreeFile(outcome->grown.tree);
  ASSERT_TRUE(tree.ok());
  EXPECT_EQ(tree->errorLine, "ERROR = 0.000000");
  EXPECT_EQ(tree->measureLine, "SSres/Syy = 0.000000");
}

TEST_F(ModelTreeJobTest, BadInputIsRefusedAndLeavesNothingBehind) {
  MakeTable("labels", {"x", "label"}, {"real", "string"}, {{"1", "a"}, {"2", "b"}});
  MakeTable("nothing", testdata::kColumns, testdata::kTypes, {});
  auto outcome = Run(PruneMode::kLabelsOnGrowingSet, "labels");
  EXPECT_EQ(outcome.status().message(), "the target column label of labelsGrown is not numeric");
  outcome = Run(PruneMode::kLabelsOnGrowingSet, "nothing");
  EXPECT_EQ(outcome.status().message(), "table nothing has no rows");
  outcome = Run(PruneMode::kNone, "absent");
  EXPECT_EQ(outcome.status().code(), StatusCode::kNotFound);
  EXPECT_EQ(Tables(), (std::vector<std::string>{"labels", "nothing", "plants"}));
  EXPECT_FALSE(std::filesystem::exists(WorkingFile("labelsGrown.tree")));

  ModelTreeParams params;
  params.table = "plants";
  params.strata.Confidence = 0.0f;
  EXPECT_EQ(RunModelTreeJob(source_, params, report_).status().message(),
            "the confidence level must be above 0 and at most 1");
}

TEST_F(ModelTreeJobTest, NeverTakesOverATableOfTheUser) {
  MakeTable("plantsPrune", {"note"}, {"string"}, {{"keep me"}});
  auto outcome = Run(PruneMode::kRegressionGrafting);
  EXPECT_EQ(outcome.status().code(), StatusCode::kInvalidArgument);
  EXPECT_NE(outcome.status().message().find("plantsPrune exists already"), std::string::npos);
  EXPECT_EQ(Rows("select note from plantsPrune"),
            (std::vector<std::vector<std::string>>{{"keep me"}}));
  EXPECT_EQ(Tables(), (std::vector<std::string>{"plants", "plantsPrune"}));
}

}  // namespace
}  // namespace quarry::modeltree
