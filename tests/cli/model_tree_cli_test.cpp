#include <gtest/gtest.h>

#include <filesystem>

#include "core/data/working_folder.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/file_size_limit.h"

namespace quarry {
namespace {

class ModelTreeCliTest : public testing::CliFixture {};

TEST_F(ModelTreeCliTest, GrowsPrunesAndShowsAModelTree) {
  auto run = Run({"mtree", "--table", "growth_data"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("tree:  " + WorkingFile("growth_data.tree").string()), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("on growth_data (300 cases): ERROR = "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("regression tree created\n"), std::string::npos);

  run = Run({"mtree", "--table", "growth_data", "--prune", "rep-training", "--growing-percent",
             "60", "--min-items", "8"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(WorkingFile("growth_dataGrown.tree")));
  EXPECT_TRUE(std::filesystem::exists(WorkingFile("growth_dataPruned.rules")));
  EXPECT_NE(run.out.find("pruned tree growth_dataPruned"), std::string::npos) << run.out;
  EXPECT_EQ(Run({"tables"}).out.find("growth_dataGrown"), std::string::npos);

  // The shared viewers read what the model-tree writers wrote.
  run = Run({"show-tree", "growth_dataPruned"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("SSres/Syy = "), std::string::npos);
  run = Run({"show-rules", "growth_data"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Rule1"), std::string::npos);
}

TEST_F(ModelTreeCliTest, CrossValidatesAndSummarises) {
  auto run = Run({"mtree-cv", "--table", "growth_data", "--folds", "3"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("\nTree2     0."), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nMSE:  0."), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("operation terminated\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(WorkingFile("risultati.txt")));
  EXPECT_EQ(Run({"tables"}).out.find("escluso"), std::string::npos);

  run = Run({"mtree-cv", "--table", "growth_data", "--folds", "2", "--prune", "mdl"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Pruning Cross Validation results:\n"), std::string::npos) << run.out;
}

TEST_F(ModelTreeCliTest, BadInputGetsAClearMessage) {
  auto run = Run({"mtree-cv", "--table", "growth_data", "--folds", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "the number of folds must be between 2 and 300 (the rows of growth_data)\n");
  run = Run({"mtree", "--table", "golf_data"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "the target column play of golf_data is not numeric\n");
  EXPECT_EQ(Run({"mtree", "--table", "growth_data", "--prune", "sideways"}).exitCode, 2);
  run = Run({"mtree", "--table", "growth_data", "--weight", "1.5"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "the weight must be above 0 and at most 1\n");

  // Files that cannot be written are each named, the job goes on past them (the pruned tree is
  // made and named too), and none is left under its name.
  ASSERT_EQ(Run({"tables"}).exitCode, 0);  // the sample database is copied before writes fail
  {
    testing::FileSizeLimit full(600);  // the report fits; the tree and rules files do not
    run = Run({"mtree", "--table", "growth_data", "--prune", "mdl"});
  }
  EXPECT_EQ(run.exitCode, 1);
  for (const char* name : {"growth_data.tree", "growth_data.rules", "growth_dataPruned.tree",
                           "growth_dataPruned.rules"}) {
    EXPECT_NE(run.err.find("not written: cannot write " + WorkingFile(name).string() + ": "),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(WorkingFile(name)));
  }

  // A fold's file whose name a folder takes: the later folds still run and write theirs, the
  // figures are shown, and the job fails naming the file.
  const std::string taken = WorkingFile("growth_data_escluso_0.rules").string();
  std::filesystem::create_directory(taken);
  run = Run({"mtree-cv", "--table", "growth_data", "--folds", "3"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("not written: cannot write " + taken + ": "), std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("\nTree2     0."), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("operation terminated"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_regular_file(WorkingFile("growth_data_escluso_2.rules")));
}

}  // namespace
}  // namespace quarry
