#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "core/treefiles/rules_file_reader.h"
#include "core/treefiles/tree_file_reader.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/file_size_limit.h"

namespace quarry {
namespace {

class DtreeCliTest : public testing::CliFixture {};

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

// -t alone leaves the window and its increment at "0": computed, as the README says.
TEST_F(DtreeCliTest, WindowingWithTrialsAloneComputesTheWindow) {
  auto run = Run({"dtree", "--table", "wave_data", "-t", "3"});
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  EXPECT_NE(run.out.find("\n--------\nTrial 2\n--------\n"), std::string::npos);
  EXPECT_NE(run.out.find("classification tree created\n"), std::string::npos);
}

// A chain-like table: x = 0..9999, the class changing every 25 rows, grows a tree of 399 levels.
// Under a 96 KiB stack limit the command's own thread could not walk it (as a 20,000-level tree
// would not fit in 8 MiB); the job runs on a stack of its own and writes whole files.
TEST_F(DtreeCliTest, ATreeDeeperThanTheStackTheCommandStartsWithIsWritten) {
  {
    std::ofstream file(WorkingFile("chain.txt"));
    file << "x,c\nreal,string\n";
    for (int x = 0; x < 10000; ++x) file << x << (x / 25 % 2 == 0 ? ",a\n" : ",b\n");
  }
  for (const char* table :
       {"chain_data", "chain_test", "chain_train1", "chain_train2", "chain_train"}) {
    ASSERT_EQ(Run({"import", WorkingFile("chain.txt").string(), "--table", table}).exitCode, 0)
        << table;
  }
  for (const char* method : {"standard", "pessimistic", "iterative"}) {
    const std::string table = method == std::string("iterative") ? "chain_train1" : "chain_data";
    // The shell lowers the stack limit, then becomes quarry-cli with the arguments after it.
    std::vector<std::string> args = {"-c", "ulimit -s 96 && exec \"$0\" \"$@\"", QUARRY_CLI};
    args.insert(args.end(), {"dtree", "--table", table, "-u", "--prune", method});
    if (method == std::string("standard")) args.push_back("-p");  // softened thresholds too
    auto run = testing::RunCli("/bin/sh", args);
    ASSERT_EQ(run.exitCode, 0) << method << run.err;
    auto raw = treefiles::ReadTreeFile(WorkingFile(table + ".tree"));
    ASSERT_TRUE(raw.ok()) << method;
    EXPECT_NE(std::find(raw->summary.begin(), raw->summary.end(), "Depth = 399"),
              raw->summary.end());
    auto pruned = treefiles::ReadTreeFile(WorkingFile(table + "PRUNED.tree"));
    auto rules = treefiles::ReadRulesFile(WorkingFile(table + "PRUNED.rules"));
    ASSERT_TRUE(pruned.ok() && rules.ok()) << method;
    EXPECT_EQ(rules->rules.size() * 2 - 1, pruned->nodes.size()) << method;
  }
}

TEST_F(DtreeCliTest, DemoRunsTheJobOnTheWeatherTable) {
  auto run = Run({"demo"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("golf_data: 14 cases, 4 attributes, 2 classes"), std::string::npos);
  EXPECT_NE(run.out.find("outlook: discrete {overcast, rainy, sunny}"), std::string::npos);
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

  // A name too long for the file names made from it.
  const std::string longName(300, 'n');
  {
    DataSource sample;
    ASSERT_TRUE(sample.Open(SqliteConnectString(WorkingFile("sample.sqlite").string())));
    ASSERT_TRUE(sample.Execute("create table " + longName + "_data as select * from golf_data"));
  }
  run = Run({"dtree", "--table", longName + "_data"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("is too long"), std::string::npos) << run.err;

  EXPECT_EQ(Run({"dtree"}).exitCode, 2);
}

// A result file that cannot be written is named, leaves nothing under its name, and fails the
// job; the files that could be written are whole.
TEST_F(DtreeCliTest, ResultFilesThatCannotBeWrittenFailTheJob) {
  ASSERT_EQ(Run({"tables"}).exitCode, 0);  // the sample database is copied before writes fail
  testing::CliRun run;
  {
    testing::FileSizeLimit full(900);  // the report fits; no tree or rules file of golf does
    run = Run({"dtree", "--table", "golf_data", "-u"});
  }
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out.find("classification tree created"), std::string::npos);
  for (const char* name :
       {"golf_data.tree", "golf_dataPRUNED.tree", "golf_data.rules", "golf_dataPRUNED.rules"}) {
    EXPECT_NE(run.err.find("not written: cannot write " + WorkingFile(name).string() + ": "),
              std::string::npos)
        << name << "\n"
        << run.err;
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    EXPECT_EQ(entry.path().string().find("golf_data"), std::string::npos) << entry.path();
  }

  // A fold's file whose name is taken by a folder.
  std::filesystem::create_directory(WorkingFile("golf_data_escluso_1PRUNED.rules"));
  run = Run({"dtree-cv", "--table", "golf_data", "--folds", "3"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("not written: cannot write " +
                         WorkingFile("golf_data_escluso_1PRUNED.rules").string() + ": "),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(WorkingFile("golf_data_escluso_2PRUNED.rules")));
}

}  // namespace
}  // namespace quarry
