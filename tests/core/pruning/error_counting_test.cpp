// The methods count errors without classifying every case for every trial; their counts and
// trees must be those of the full classification the methods are defined by.

#include <gtest/gtest.h>

#include <climits>

#include "core/common/text_util.h"
#include "core/data/rand.h"
#include "core/dtree/classification.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/tree_growing.h"
#include "core/pruning/case_reach.h"
#include "core/pruning/error_tally.h"
#include "core/pruning/pruning_error_counter.h"
#include "core/pruning/pruning_method.h"
#include "core/pruning/reduced_error_pruning.h"
#include "core/pruning/tree_measures.h"
#include "core/treefiles/decision_tree_writer.h"
#include "tests/core/pruning/pruning_test_support.h"

namespace quarry::pruning {
namespace {

using dtree::LeafVote;

// Noisy cases of a continuous x, a discrete d and three classes, with unknown values; with
// `known`, none, and d has no part in the class.
std::vector<std::vector<std::string>> NoisyRows(Rand& rand, int n, bool known = false) {
  std::vector<std::vector<std::string>> rows;
  const char* values[] = {"p", "q", "r", "s"};
  for (int i = 0; i < n; ++i) {
    const int x = rand.Next() % 100;
    const int d = rand.Next() % 4;
    int c = (x < 40 ? 0 : x < 70 ? 1 : 2) + (d == 3 && !known ? 1 : 0);
    if (rand.Next() % 4 == 0) c = rand.Next() % 3;
    const bool unknownX = rand.Next() % 10 == 0 && !known;
    const bool unknownD = rand.Next() % 10 == 0 && !known;
    rows.push_back({unknownX ? "?" : std::to_string(x), unknownD ? "?" : values[d],
                    std::string(1, "abc"[c % 3])});
  }
  return rows;
}

class ErrorCounting : public PruningTest {
 protected:
  void SetUp() override {
    PruningTest::SetUp();
    Rand rand;
    MakeRows("r_data", {"x", "d", "c"}, {"real", "string", "string"}, NoisyRows(rand, 400));
    MakeRows("r_prune", {"x", "d", "c"}, {"real", "string", "string"}, NoisyRows(rand, 300));
    MakeRows("k_prune", {"x", "d", "c"}, {"real", "string", "string"}, NoisyRows(rand, 300, true));
    ASSERT_TRUE(engine_.LoadAttributes("r_data", source_).ok());
    ASSERT_EQ(engine_.LoadCases("r_data", source_), 0);
    engine_.Options.MINOBJS = 2;
    engine_.Options.SUBSET = true;
    grown_ = dtree::GrowNewTree(engine_, 0, engine_.MaxItem());
    ASSERT_GT(dtree::LeafCount(*grown_), 10);
  }
  std::unique_ptr<TreeNode> grown_;
};

TEST_F(ErrorCounting, CountsOfPruningsEqualTheFullClassification) {
  ASSERT_EQ(engine_.LoadCases("r_prune", source_), 0);
  Rand rand;
  for (LeafVote vote : {LeafVote::kDistribution, LeafVote::kWholeCase}) {
    PruningErrorCounter counter(engine_, *grown_, engine_.Cases.Item, vote);
    EXPECT_EQ(counter.Errors(*grown_), dtree::CountTreeErrors(engine_, *grown_, vote));
    for (int trial = 0; trial < 40; ++trial) {
      std::vector<uint8_t> cut(static_cast<size_t>(counter.Index().Size()));
      for (auto& flag : cut) flag = rand.Next() % 6 == 0;
      auto pruned = CopyWithCuts(counter.Index(), cut);
      const int expected = dtree::CountTreeErrors(engine_, *pruned, vote);
      ASSERT_EQ(counter.Errors(cut), expected) << "trial " << trial;
      ASSERT_EQ(counter.Errors(*pruned), expected);
    }
  }
}

// Every inner node, children first.
void PostOrder(TreeNode& node, std::vector<TreeNode*>& order) {
  if (node.IsLeaf()) return;
  for (int v = 1; v <= node.Forks; ++v) PostOrder(node.Child(v), order);
  order.push_back(&node);
}

TEST_F(ErrorCounting, TalliedTrialsOfLeavesAndGraftsEqualTheFullClassification) {
  ASSERT_EQ(engine_.LoadCases("r_prune", source_), 0);
  Rand rand;
  for (LeafVote vote : {LeafVote::kDistribution, LeafVote::kWholeCase}) {
    auto tree = dtree::CopyTree(*grown_);
    CaseReach reach(*tree, engine_.Cases.Item);
    ErrorTally tally(engine_, *tree, engine_.Cases.Item, vote);
    std::vector<TreeNode*> order;
    PostOrder(*tree, order);
    for (TreeNode* node : order) {
      tally.Prepare(*node, reach);
      // A graft of each inner child, then the node as a leaf; some are kept.
      for (int v = 1; v <= node->Forks; ++v) {
        auto& slot = node->Branch[static_cast<size_t>(v)];
        if (slot->IsLeaf()) continue;
        std::unique_ptr<TreeNode> child = std::move(slot);
        dtree::SwapContents(*node, *child);
        ASSERT_EQ(tally.Try(*tree, *node, reach), dtree::CountTreeErrors(engine_, *tree, vote));
        dtree::SwapContents(*node, *child);
        node->Branch[static_cast<size_t>(v)] = std::move(child);
      }
      const int16_t type = node->NodeType;
      node->NodeType = dtree::kLeaf;
      const int errors = tally.Try(*tree, *node, reach);
      ASSERT_EQ(errors, dtree::CountTreeErrors(engine_, *tree, vote));
      node->NodeType = type;
      const int action = rand.Next() % 3;
      if (action == 0) {
        node->BecomeLeaf(node->Items(), 0);
        tally.Accept();
        ASSERT_EQ(tally.Errors(), errors);
      }
      // A graft kept changes the node's training weight, and with it the share of the cases
      // spread at its parent.
      for (int v = 1; action == 1 && v <= node->Forks; ++v) {
        if (node->Child(v).IsLeaf()) continue;
        std::unique_ptr<TreeNode> child = std::move(node->Branch[static_cast<size_t>(v)]);
        dtree::SwapContents(*node, *child);
        tally.Try(*tree, *node, reach);
        tally.Accept();
        ASSERT_EQ(tally.Errors(), dtree::CountTreeErrors(engine_, *tree, vote));
        break;
      }
    }
  }
}

// Reduced error pruning and grafting as the methods define them: one full classification per
// trial; writes the lines the methods write at verbosity 0.
struct FullClassificationPass {
  FullClassificationPass(dtree::InductionEngine& e, TreeNode& r, LeafVote v)
      : engine(e), root(r), vote(v), current(Errors()) {}

  dtree::InductionEngine& engine;
  TreeNode& root;
  LeafVote vote;
  int current;
  std::string report;

  int Errors() { return dtree::CountTreeErrors(engine, root, vote); }
  void Run(TreeNode& node, bool graft, int number, int& counter) {
    if (node.IsLeaf()) {
      --counter;
      return;
    }
    std::vector<int> childNumber(static_cast<size_t>(node.Forks) + 1);
    for (int v = 1; v <= node.Forks; ++v) {
      childNumber[static_cast<size_t>(v)] = ++counter;
      Run(node.Child(v), graft, counter, counter);
    }
    int bestGraft = INT_MAX;
    int bestChild = 0;
    for (int v = 1; graft && v <= node.Forks; ++v) {
      if (node.Child(v).IsLeaf()) continue;
      std::unique_ptr<TreeNode> child = std::move(node.Branch[static_cast<size_t>(v)]);
      dtree::SwapContents(node, *child);
      const int e = Errors();
      dtree::SwapContents(node, *child);
      node.Branch[static_cast<size_t>(v)] = std::move(child);
      if (e <= bestGraft) bestGraft = e, bestChild = v;
    }
    const int16_t type = node.NodeType;
    node.NodeType = dtree::kLeaf;
    const int pruned = Errors();
    node.NodeType = type;
    if (pruned <= current && pruned <= bestGraft) {
      node.BecomeLeaf(node.Items(), node.Items() - node.ClassDist[static_cast<size_t>(node.Leaf)]);
      current = pruned;
    } else if (bestGraft <= current && bestGraft <= pruned) {
      std::unique_ptr<TreeNode> child = std::move(node.Branch[static_cast<size_t>(bestChild)]);
      dtree::SwapContents(node, *child);
      node.SetErrors(node.Items() - node.ClassDist[static_cast<size_t>(node.Leaf)]);
      current = bestGraft;
    } else if (graft) {
      report += Format("\nNot pruned node number: %d \tNot pruned errors: %d \tPruned Errors: %d ",
                       number, current, pruned);
    } else {
      report += Format("\nnot PRUNED NODE NUMBER: %d \tPRUNED ERRORS: %d \tNOT PRUNED ERRORS: %d",
                       number, pruned, current);
    }
  }
};

// With unknown values and values no group of a test holds, some cases spread over branches and
// are tallied; the others are counted per node.
TEST_F(ErrorCounting, ReducedErrorPruningAndGraftingMakeTheTreesOfFullClassification) {
  const PruningContext ctx{engine_, source_, "r_data", ""};
  for (const char* table : {"r_prune", "k_prune"}) {
    ASSERT_EQ(engine_.LoadCases(table, source_), 0);
    for (LeafVote vote : {LeafVote::kDistribution, LeafVote::kWholeCase}) {
      for (bool graft : {false, true}) {
        SCOPED_TRACE(std::string(table) + (vote == LeafVote::kWholeCase ? " whole case" : "") +
                     (graft ? " grafting" : ""));
        auto expected = dtree::CopyTree(*grown_);
        FullClassificationPass full(engine_, *expected, vote);
        int counter = 1;
        full.Run(*expected, graft, 1, counter);
        auto pruned = dtree::CopyTree(*grown_);
        report_.str("");
        ReducedErrorPass pass(ctx, *pruned, vote);
        graft ? pass.Graft() : pass.Prune();
        EXPECT_EQ(report_.str(), full.report);
        EXPECT_EQ(treefiles::DecisionTreeText(*pruned, engine_.Att(), 2),
                  treefiles::DecisionTreeText(*expected, engine_.Att(), 2));
        EXPECT_EQ(dtree::CountTreeErrors(engine_, *pruned, vote), full.current);
        EXPECT_LT(dtree::LeafCount(*pruned), dtree::LeafCount(*grown_));
        EXPECT_GT(dtree::LeafCount(*pruned), 1);
        EXPECT_FALSE(full.report.empty());
      }
    }
  }
}

}  // namespace
}  // namespace quarry::pruning
