#include <gtest/gtest.h>

#include <filesystem>

#include "core/data/working_folder.h"
#include "core/treefiles/rules_file_reader.h"
#include "core/treefiles/tree_file_reader.h"
#include "tests/support/cli_runner.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

class DtreeCliTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("QUARRY_SAMPLE_DB", QUARRY_SAMPLE_DB, 1); }
  testing::CliRun Run(const std::vector<std::string>& args) {
    return testing::RunCli(QUARRY_CLI, args);
  }
  testing::TempFolder folder_;
};

TEST_F(DtreeCliTest, GrowsPrunesWritesAndEvaluatesASampleTable) {
  auto run = Run({"dtree", "--table", "wave_data", "-u", "-p", "-m", "3"});
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  EXPECT_NE(run.out.find("\n    Options:\n\tFile stem <wave_data>\n\tProbability thresholds used\n"
                         "\tTrees evaluated on unseen cases\n\tPruning confidence level 0.25%\n"
                         "\tSensible test requires 2 branches with >=3 cases\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\n\nEvaluation on training data (300 items):\n"), std::string::npos);
  EXPECT_NE(run.out.find("\nEvaluation on test data (100 items):\n"), std::string::npos);
  EXPECT_NE(run.out.find("classification tree created\n"), std::string::npos);
  for (const char* name : {"wave_data.tree", "wave_dataPRUNED.tree", "wave_prunePROBTHRESH.tree"}) {
    EXPECT_NE(run.out.find(WorkingFile(name).string()), std::string::npos) << name;
    auto tree = treefiles::ReadTreeFile(WorkingFile(name));
    ASSERT_TRUE(tree.ok()) << name;
    EXPECT_GT(tree->nodes.size(), 1u);
  }
  auto rules = treefiles::ReadRulesFile(WorkingFile("wave_dataPRUNED.rules"));
  ASSERT_TRUE(rules.ok());
  auto pruned = treefiles::ReadTreeFile(WorkingFile("wave_dataPRUNED.tree"));
  size_t leaves = 0;
  for (const auto& node : pruned->nodes) leaves += node.IsLeaf() ? 1 : 0;
  EXPECT_EQ(rules->rules.size(), leaves);
  EXPECT_NE(pruned->summary.back().find("number of leaves:  "), std::string::npos);

  run = Run({"show-tree", "wave_dataPRUNED"});
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("CONTINUOUS NODE: "), std::string::npos);
  run = Run({"show-rules", "wave_data"});
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("Rules1  NUMBER OF CASES: "), std::string::npos);
}

TEST_F(DtreeCliTest, DemoRunsTheJobOnTheWeatherTable) {
  auto run = Run({"demo"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("golf_data: 14 cases, 4 attributes, 2 classes"), std::string::npos);
  EXPECT_NE(run.out.find("\t   8    0( 0.0%)      8    0( 0.0%)    (38.5%)   <<\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\nEvaluation on test data (8 items):\n"), std::string::npos);
  EXPECT_NE(run.out.find("  " + WorkingFile("golf_dataPRUNED.rules").string() + "\n"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(WorkingFile("golf_data.tree")));
}

TEST_F(DtreeCliTest, JobFailuresExitWithTheirMessages) {
  auto run = Run({"dtree", "--table", "golf_data", "-m", "0"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("\t** illegal value **\n"), std::string::npos);
  EXPECT_NE(run.err.find("** illegal value **"), std::string::npos);

  run = Run({"dtree", "--table", "baskets"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("error, not all tables are availables"), std::string::npos);

  run = Run({"materialize", "select * from golf_data where 1 = 0", "--name", "none_data"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = Run({"dtree", "--table", "none_data"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("none_data has no rows"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(WorkingFile("none_data.tree")));

  EXPECT_EQ(Run({"dtree"}).exitCode, 2);
}

}  // namespace
}  // namespace quarry
