#include "core/pruning/run_induction.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/common/text_util.h"
#include "core/data/working_folder.h"
#include "core/dtree/classification.h"
#include "core/dtree/tree_growing.h"
#include "core/pruning/prune_tree.h"
#include "core/treefiles/decision_rules_writer.h"
#include "core/treefiles/decision_tree_writer.h"
#include "core/treefiles/rules_file_reader.h"
#include "core/treefiles/tree_file_reader.h"
#include "tests/core/dtree/engine_test_support.h"

namespace quarry::pruning {
namespace {

using dtree::EngineTest;
using dtree::InductionEngine;
using dtree::TreeNode;

namespace fs = std::filesystem;

class RunInductionTest : public EngineTest {
 protected:
  Status Run(std::vector<std::string> options, int mode = 0) {
    options.insert(options.begin(), "quarry");
    report_.str("");
    return RunInduction(engine_, options, mode, "", source_, result_);
  }
  std::vector<std::string> TreeFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(WorkingFolder())) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".tree" || ext == ".rules" || ext == ".part" || ext == ".staged")
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  InductionResult result_;
};

TEST_F(RunInductionTest, AJobWritesParsableTreesAndRulesAndEvaluatesThem) {
  MakeGolf("golf_data");
  MakeGolf("golf_test");
  ASSERT_TRUE(Run({"-f", "golf_data", "-u", "-p", "-c", "0.25", "-m", "2"}).ok());
  EXPECT_EQ(TreeFiles(),
            (std::vector<std::string>{"golf_data.rules", "golf_data.tree", "golf_dataPRUNED.rules",
                                      "golf_dataPRUNED.tree", "golf_prunePROBTHRESH.tree"}));
  EXPECT_EQ(result_.files.size(), 5u);
  EXPECT_TRUE(result_.warnings.empty());
  EXPECT_EQ(result_.rawErrors, 0);
  EXPECT_EQ(result_.prunedErrors, 0);
  EXPECT_EQ(result_.leafCount, 5);

  const std::string report = report_.str();
  EXPECT_NE(report.find("\n\nEvaluation on training data (14 items):\n\n\t Before Pruning          "
                        " After Pruning\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("\t   8    0( 0.0%)      8    0( 0.0%)    (38.5%)   <<\n"),
            std::string::npos);
  EXPECT_NE(report.find("\nEvaluation on test data (14 items):\n"), std::string::npos);
  EXPECT_NE(report.find("Softening thresholds\n\nTest humidity <> 75\n\tLower = "),
            std::string::npos);

  for (const char* name : {"golf_data", "golf_dataPRUNED", "golf_prunePROBTHRESH"}) {
    auto tree = treefiles::ReadTreeFile(WorkingFile(std::string(name) + ".tree"));
    ASSERT_TRUE(tree.ok()) << name;
    EXPECT_EQ(tree->nodes.size(), 8u);
  }
  auto raw = treefiles::ReadTextFile(WorkingFile("golf_data.tree"));
  EXPECT_TRUE(EndsWith(*raw, "Depth = 2\n\nerrors on test set:  0\nnumber of leaves:  5")) << *raw;
  auto rules = treefiles::ReadRulesFile(WorkingFile("golf_dataPRUNED.rules"));
  ASSERT_TRUE(rules.ok());
  EXPECT_EQ(rules->rules.size(), 5u);
  EXPECT_EQ(rules->rules[3].conditions,
            (std::vector<std::string>{"outlook = sunny", "humidity <= 75.0000000000"}));
}

// 300 rows whose class follows x with every seventh row flipped: a tree that pruning cuts.
std::vector<std::vector<std::string>> NoisyRows() {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 300; ++i) {
    const int x = (i * 37) % 101;
    const bool a = (x < 45) != (i % 7 == 0);
    rows.push_back({std::to_string(x), "v" + std::to_string(i % 5), a ? "a" : "b"});
  }
  return rows;
}

TEST_F(RunInductionTest, PruningTheGrownTreeInPlaceWritesWhatPruningACopyWrites) {
  MakeRows("n_data", {"x", "s", "c"}, {"real", "string", "string"}, NoisyRows());
  MakeRows("n_prune", {"x", "s", "c"}, {"real", "string", "string"}, NoisyRows());
  for (int mode : {kStandardPrune, kReducedErrorPruning, kPessimisticErrorPruning}) {
    ASSERT_TRUE(PrunesInPlace(mode));
    std::ostringstream trace;
    InductionEngine other(trace);
    ASSERT_TRUE(other.LoadAttributes("n_data", source_).ok());
    ASSERT_EQ(other.LoadCases("n_data", source_), 0);
    other.Options.FileName = "n_data";
    std::unique_ptr<TreeNode> grown = GrowNewTree(other, 0, other.MaxItem());
    TreeNode pruned;
    ASSERT_TRUE(PruneTree(other, pruned, mode, *grown, "n_data", source_, "").ok());
    ASSERT_LT(TreeSize(pruned), TreeSize(*grown));
    const std::string leaves = "\nnumber of leaves:  ";

    ASSERT_TRUE(Run({"-f", "n_data"}, mode).ok()) << mode;
    EXPECT_EQ(*treefiles::ReadTextFile(WorkingFile("n_data.tree")),
              treefiles::DecisionTreeText(*grown, other.Att(), 2) + leaves +
                  std::to_string(LeafCount(*grown)));
    EXPECT_EQ(*treefiles::ReadTextFile(WorkingFile("n_dataPRUNED.tree")),
              treefiles::DecisionTreeText(pruned, other.Att(), 2) + leaves +
                  std::to_string(LeafCount(pruned)));
    EXPECT_EQ(*treefiles::ReadTextFile(WorkingFile("n_data.rules")),
              treefiles::DecisionRulesText(*grown, other.Att()));
    EXPECT_EQ(result_.rawErrors, CountTreeErrors(other, *grown));
    EXPECT_EQ(result_.errorRate, static_cast<float>(result_.rawErrors) / grown->Items());
    EXPECT_NE(report_.str().find(Format("\t%4d  %3d(", TreeSize(*grown), result_.rawErrors)),
              std::string::npos);
    EXPECT_EQ(TreeFiles(), (std::vector<std::string>{"n_data.rules", "n_data.tree",
                                                     "n_dataPRUNED.rules", "n_dataPRUNED.tree"}));
  }
}

TEST_F(RunInductionTest, AFailedPruningKeepsTheFilesOfTheLastRun) {
  MakeRows("n_data", {"x", "s", "c"}, {"real", "string", "string"}, NoisyRows());
  MakeRows("n_prune", {"x", "s", "c"}, {"real", "string", "string"}, {});
  ASSERT_TRUE(Run({"-f", "n_data"}).ok());
  const auto before = *treefiles::ReadTextFile(WorkingFile("n_data.rules"));
  // Reduced error pruning writes the grown tree's files before it finds no pruning cases.
  EXPECT_EQ(Run({"-f", "n_data", "-m", "5"}, kReducedErrorPruning).code(),
            StatusCode::kInvalidArgument);
  EXPECT_EQ(*treefiles::ReadTextFile(WorkingFile("n_data.rules")), before);
  EXPECT_EQ(TreeFiles(), (std::vector<std::string>{"n_data.rules", "n_data.tree",
                                                   "n_dataPRUNED.rules", "n_dataPRUNED.tree"}));
}

TEST_F(RunInductionTest, ATestTableWithoutRowsIsEvaluatedAsNoCases) {
  MakeGolf("golf_data");
  MakeGolf("golf_test", {});
  ASSERT_TRUE(Run({"-f", "golf_data", "-u"}).ok());
  EXPECT_NE(report_.str().find("\nEvaluation on test data (0 items):\n"), std::string::npos);
  EXPECT_NE(report_.str().find("\t   8    0( 0.0%)      8    0( 0.0%)"), std::string::npos);
}

// Missing tables are named, tables that cannot make a tree are refused; nothing is written.
TEST_F(RunInductionTest, RefusedJobsSayWhyAndWriteNothing) {
  for (const char* table : {"golf", "golf_data", "golf_train1", "golf_train2", "g_data", "g_prune"})
    MakeGolf(table);
  MakeRows("empty_data", {"x", "c"}, {"real", "string"}, {});
  MakeRows("single_data", {"c"}, {"string"}, {{"a"}, {"b"}});
  const std::string missing = "error, not all tables are availables\n";
  struct Refusal {
    std::vector<std::string> options;
    int mode;
    StatusCode code;
    std::string message;  // the whole message, or a part of it after "..."
  };
  const Refusal refusals[] = {
      {{"-f", "golf"},
       0,
       StatusCode::kNotFound,
       missing + "the training table's name must contain _data"},
      {{"-f", "golf_data", "-u"},
       0,
       StatusCode::kNotFound,
       missing + "not in the database: golf_test"},
      {{"-f", "nothing_data"},
       0,
       StatusCode::kNotFound,
       missing + "not in the database: nothing_data"},
      {{"-f", "golf_data"},
       kReducedErrorPruning,
       StatusCode::kNotFound,
       missing + "not in the database: golf_prune"},
      // The iterative method reads golf_train when its steps are over.
      {{"-f", "golf_train1"},
       kIterativeGrowingPruning,
       StatusCode::kNotFound,
       missing + "not in the database: golf_train"},
      {{"-f", "empty_data"},
       0,
       StatusCode::kInvalidArgument,
       "empty_data has no rows: there is nothing to grow a tree from"},
      {{"-f", "single_data"}, 0, StatusCode::kInvalidArgument, "...no attribute column"},
      {{"-f", "single_data", "-m", "0"}, 0, StatusCode::kFatal, "..."},
      {{"-f", "g_data"}, 10, StatusCode::kInvalidArgument, "..."},  // the unused code
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.options[1] + " mode " + std::to_string(r.mode));
    const Status s = Run(r.options, r.mode);
    EXPECT_EQ(s.code(), r.code);
    if (r.message.rfind("...", 0) == 0) {
      EXPECT_NE(s.message().find(r.message.substr(3)), std::string::npos) << s.message();
    } else {
      EXPECT_EQ(s.message(), r.message);
    }
    EXPECT_EQ(report_.str().find("STEP NUMBER"), std::string::npos);
    if (r.code == StatusCode::kFatal) {
      EXPECT_TRUE(EndsWith(report_.str(), "\t** illegal value **\n"));
    }
  }
  EXPECT_TRUE(TreeFiles().empty());
}

TEST_F(RunInductionTest, WindowingRepeatsItselfFromRunToRun) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 400; ++i) {
    rows.push_back({std::to_string((i * 37) % 101), std::to_string((i * 13) % 7),
                    (i * 37) % 101 < 40 || (i * 13) % 7 == 3 ? "a" : "b"});
  }
  MakeRows("w_data", {"x", "y", "c"}, {"real", "real", "string"}, rows);
  ASSERT_TRUE(Run({"-f", "w_data", "-t", "3"}).ok());
  const std::string first = report_.str();
  EXPECT_NE(first.find("\n--------\nTrial 2\n--------\n"), std::string::npos);
  EXPECT_NE(first.find("Trial\t Before Pruning           After Pruning\n"), std::string::npos);
  EXPECT_NE(first.find("   <<\n"), std::string::npos);
  const std::string tree = *treefiles::ReadTextFile(WorkingFile("w_data.tree"));
  ASSERT_TRUE(Run({"-f", "w_data", "-t", "3"}).ok());
  EXPECT_EQ(report_.str(), first);
  EXPECT_EQ(*treefiles::ReadTextFile(WorkingFile("w_data.tree")), tree);
  // The dialog's default window fields, "0", compute the window as leaving them out does.
  ASSERT_TRUE(Run({"-f", "w_data", "-w", "0", "-t", "3", "-i", "0"}).ok()) << report_.str();
  EXPECT_EQ(*treefiles::ReadTextFile(WorkingFile("w_data.tree")), tree);
}

}  // namespace
}  // namespace quarry::pruning
