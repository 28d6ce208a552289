#include "core/dtree/error_based_pruning.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/data/rand.h"
#include "core/data/working_folder.h"
#include "core/dtree/tree_growing.h"
#include "core/treefiles/tree_file_reader.h"
#include "tests/core/dtree/engine_test_support.h"

namespace quarry::dtree {
namespace {

// The upper confidence bound at CF 0.25 interpolates between the deviates of 0.20 and 0.40.
constexpr double kCoeff = 0.6925 * 0.6925;

double Bound(double n, double e) {
  const double pr =
      (e + 0.5 + kCoeff / 2 + std::sqrt(kCoeff * ((e + 0.5) * (1 - (e + 0.5) / n) + kCoeff / 4))) /
      (n + kCoeff);
  return n * pr - e;
}

TEST(AddErrors, TheFourRegimes) {
  EXPECT_NEAR(AddErrors(6, 0, 0.25f), 6 * (1 - std::pow(0.25, 1.0 / 6)), 1e-5);
  EXPECT_NEAR(AddErrors(6, 0, 0.25f), 1.2378, 1e-4);
  const double zero = 6 * (1 - std::pow(0.25, 1.0 / 6));
  EXPECT_NEAR(AddErrors(6, 0.5f, 0.25f), zero + 0.5 * (Bound(6, 1) - zero), 1e-5);
  EXPECT_NEAR(AddErrors(14, 5, 0.25f), Bound(14, 5), 1e-5);
  EXPECT_NEAR(AddErrors(3, 2.6f, 0.25f), 0.67 * 0.4, 1e-6);    // nearly all wrong
  EXPECT_GT(AddErrors(14, 5, 0.1f), AddErrors(14, 5, 0.25f));  // lower confidence, more errors
}

class ErrorBasedPruning : public EngineTest {
 protected:
  // x = 1..5 holds a a a b b, x = 6..10 holds a a b b b.
  void LoadNearlyUselessSplit() {
    std::vector<std::vector<std::string>> rows;
    for (int x = 1; x <= 10; ++x) rows.push_back({std::to_string(x), {"aaabbaabbb"[x - 1]}});
    Load("t_data", {"x", "c"}, {"real", "string"}, rows);
  }
  std::unique_ptr<TreeNode> SplitAtFive() {
    auto root = std::make_unique<TreeNode>();
    root->MakeLeaf({5, 5}, 0, 10, 5);
    root->NodeType = kCutTest;
    root->SetForks(2);
    root->Cont.Tested = 0;
    root->Cont.Cut = 5;
    for (int v = 1; v <= 2; ++v) {
      root->Branch[static_cast<size_t>(v)] = std::make_unique<TreeNode>();
      root->Child(v).MakeLeaf({0, 0}, v - 1, 5, 2);
    }
    return root;
  }
};

TEST_F(ErrorBasedPruning, ALeafWithinATenthOfTheSubtreeReplacesItAndTheTraceGoesToTheLog) {
  LoadNearlyUselessSplit();
  auto tree = SplitAtFive();
  engine_.Options.VERBOSITY = 1;
  // Subtree: 2 + bound(5, 2) per leaf = 6.479; leaf: 5 + bound(10, 5) = 6.542, within 0.1.
  ASSERT_LT(2 * (2 + Bound(5, 2)), 5 + Bound(10, 5));
  EXPECT_TRUE(ErrorBasedPrune(engine_, *tree, "t_data"));
  EXPECT_TRUE(tree->IsLeaf());
  EXPECT_NEAR(tree->Errors(), 5 + Bound(10, 5), 1e-4);
  EXPECT_FLOAT_EQ(tree->Items(), 10.0f);
  // Equal branches make the later one the largest.
  auto log = treefiles::ReadTextFile(WorkingFile("t_prune.inf"));
  ASSERT_TRUE(log.ok());
  EXPECT_NE(log->find("br[2]="), std::string::npos) << *log;
  EXPECT_NE(log->find("Replaced with leaf a\n"), std::string::npos);
  EXPECT_NE(log->find("\n| a (5.00:2.00/"), std::string::npos);
}

TEST_F(ErrorBasedPruning, AUsefulTreeStaysAndGetsItsEstimates) {
  LoadGolf();
  auto tree = GrowNewTree(engine_, 0, engine_.MaxItem());
  EXPECT_FALSE(ErrorBasedPrune(engine_, *tree, "golf_data"));
  EXPECT_EQ(TreeSize(*tree), 8);
  // The textbook estimate: 5.39 errors of 14, 38.5%.
  EXPECT_NEAR(tree->Errors(), 5.3918, 1e-3);
  EXPECT_NEAR(tree->Child(1).Errors(), AddErrors(4, 0, 0.25f), 1e-5);
  EXPECT_TRUE(std::filesystem::exists(WorkingFile("golf_prune.inf")));
}

TEST_F(ErrorBasedPruning, ALowerConfidencePrunesMore) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 60; ++i) {
    rows.push_back(
        {std::to_string(i), std::to_string((i * 37) % 11), i % 3 == 0 || i % 7 == 0 ? "a" : "b"});
  }
  Load("n_data", {"x", "y", "c"}, {"real", "real", "string"}, rows);
  auto grown = GrowNewTree(engine_, 0, engine_.MaxItem());
  std::vector<int> sizes;
  for (float cf : {1.0f, 0.25f, 0.01f}) {
    auto tree = CopyTree(*grown);
    engine_.Options.CF = cf;
    ErrorBasedPrune(engine_, *tree, "n_data");
    sizes.push_back(TreeSize(*tree));
  }
  EXPECT_LE(sizes[1], sizes[0]);
  EXPECT_LE(sizes[2], sizes[1]);
  EXPECT_LT(sizes[2], TreeSize(*grown));
}

// A class no attribute decides grows long chains of tests, whose largest branches are counted
// rather than walked when no value is unknown; with unknown values they are always walked.
TEST_F(ErrorBasedPruning, CountedBranchesGiveTheTreeAndTraceOfWalkedOnes) {
  engine_.Options.VERBOSITY = 1;
  bool grafted = false;
  for (int unknowns : {0, 10}) {
    Rand rand(static_cast<uint32_t>(5 + unknowns));
    auto value = [&](std::string text) { return rand.Next() % 100 < unknowns ? "?" : text; };
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 400; ++i) {
      rows.push_back(
          {value(std::to_string(rand.Next() % 100)), value(std::to_string(rand.Next() % 7)),
           value("v" + std::to_string(rand.Next() % 5)), std::string(1, "abc"[rand.Next() % 3])});
    }
    const std::string table = "n" + std::to_string(unknowns) + "_data";
    Load(table, {"x", "y", "d", "c"}, {"real", "real", "string", "string"}, rows);
    for (bool subsets : {false, true}) {
      engine_.Options.SUBSET = subsets;
      auto grown = GrowNewTree(engine_, 0, engine_.MaxItem());
      ASSERT_GT(TreeDepth(*grown), 12);
      for (float cf : {0.05f, 0.25f, 0.9f}) {
        engine_.Options.CF = cf;
        std::string trees[2];
        std::string logs[2];
        for (bool counted : {false, true}) {
          ASSERT_EQ(engine_.LoadCases(table, source_), 0);  // the same order for both
          const std::string stem = counted ? "counted_data" : "walked_data";
          std::filesystem::remove(WorkingFile(PruningLogName(stem)));
          auto tree = CopyTree(*grown);
          ErrorBasedPrune(engine_, *tree, stem, counted);
          trees[counted] = DumpTree(*tree);
          auto log = treefiles::ReadTextFile(WorkingFile(PruningLogName(stem)));
          ASSERT_TRUE(log.ok());
          logs[counted] = *log;
        }
        const std::string where = table + (subsets ? " subsets" : "") + " cf " + std::to_string(cf);
        EXPECT_TRUE(trees[1] == trees[0]) << where;
        EXPECT_TRUE(logs[1] == logs[0]) << where;
        grafted = grafted || logs[0].find("Replaced with branch") != std::string::npos;
      }
    }
  }
  EXPECT_TRUE(grafted);  // the counts follow a branch that takes its parent's place
}

}  // namespace
}  // namespace quarry::dtree
