#include "core/dtree/classification.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/dtree/induction_engine.h"
#include "tests/core/dtree/engine_test_support.h"

namespace quarry::dtree {
namespace {

// A cut on attribute 0 at 5 over two leaves.
std::unique_ptr<TreeNode> Cut(std::unique_ptr<TreeNode> low, std::unique_ptr<TreeNode> high) {
  auto node = std::make_unique<TreeNode>();
  node->MakeLeaf({0, 0}, 0, low->Items() + high->Items(), 0);
  node->NodeType = kCutTest;
  node->SetForks(2);
  node->Cont.Tested = 0;
  node->Cont.Cut = 5;
  node->Branch[1] = std::move(low);
  node->Branch[2] = std::move(high);
  return node;
}

class Classification : public ::testing::Test {
 protected:
  Classification() { engine_.ClassSum.assign(2, 0.0f); }
  int Classify(const TreeNode& tree, float x, LeafVote vote = LeafVote::kDistribution) {
    AttValue c[2];
    c[0].cont = x;
    c[1].discr = 0;
    return dtree::Classify(engine_, c, tree, vote);
  }
  std::ostringstream report_;
  InductionEngine engine_{report_};
};

TEST_F(Classification, KnownValuesFollowTheirBranch) {
  auto tree = Cut(Leaf({30, 0}, 0), Leaf({0, 70}, 1));
  EXPECT_EQ(Classify(*tree, 5.0f), 0);  // <= cut
  EXPECT_EQ(Classify(*tree, 5.5f), 1);
}

TEST_F(Classification, AnUnknownValueSpreadsOverTheBranchesByTheirItems) {
  auto tree = Cut(Leaf({30, 0}, 0), Leaf({0, 70}, 1));
  EXPECT_EQ(Classify(*tree, kUnknown), 1);
  EXPECT_FLOAT_EQ(engine_.ClassSum[0], 0.3f);
  EXPECT_FLOAT_EQ(engine_.ClassSum[1], 0.7f);
}

TEST_F(Classification, EqualSumsGoToTheLowerClass) {
  auto tree = Cut(Leaf({0, 50}, 1), Leaf({50, 0}, 0));
  EXPECT_EQ(Classify(*tree, kUnknown), 0);
}

TEST_F(Classification, LeafVotesOfTheTwoVariants) {
  // Both leaves hold 8 of class 0 and 2 of class 1.
  auto tree = Cut(Leaf({8, 2}, 0), Leaf({8, 2}, 0));
  Classify(*tree, 3.0f, LeafVote::kWholeCase);  // reaches a leaf with its whole weight
  EXPECT_FLOAT_EQ(engine_.ClassSum[0], 1.0f);
  EXPECT_FLOAT_EQ(engine_.ClassSum[1], 0.0f);
  Classify(*tree, kUnknown, LeafVote::kWholeCase);  // half the weight at each leaf
  EXPECT_FLOAT_EQ(engine_.ClassSum[0], 0.8f);
  EXPECT_FLOAT_EQ(engine_.ClassSum[1], 0.2f);
  Classify(*tree, 3.0f, LeafVote::kDistribution);
  EXPECT_FLOAT_EQ(engine_.ClassSum[0], 0.8f);
  EXPECT_FLOAT_EQ(engine_.ClassSum[1], 0.2f);
}

TEST_F(Classification, ALeafWithoutItemsVotesItsClass) {
  auto tree = Cut(Leaf({0, 0}, 1), Leaf({4, 0}, 0));
  Classify(*tree, 1.0f);
  EXPECT_FLOAT_EQ(engine_.ClassSum[1], 1.0f);
}

TEST_F(Classification, ADiscreteValueBeyondTheBranchesCountsAsUnknown) {
  auto tree = Cut(Leaf({0, 30}, 1), Leaf({70, 0}, 0));
  tree->NodeType = kDiscreteTest;
  tree->Discr.Tested = 0;
  tree->Discr.Items = 100;
  AttValue c[2];
  c[1].discr = 0;
  for (int value : {0, 3}) {  // unknown, and a value the test has no branch for
    c[0].discr = value;
    EXPECT_EQ(dtree::Classify(engine_, c, *tree, LeafVote::kDistribution), 0);
    EXPECT_FLOAT_EQ(engine_.ClassSum[1], 0.3f);
  }
  c[0].discr = 1;
  EXPECT_EQ(dtree::Classify(engine_, c, *tree, LeafVote::kDistribution), 1);
}

TEST_F(Classification, SubsetTestsSendValuesOutsideEverySubsetDownAllBranches) {
  auto tree = Cut(Leaf({0, 30}, 1), Leaf({70, 0}, 0));
  tree->NodeType = kSubsetTest;
  tree->Discr.Tested = 0;
  tree->Discr.Items = 100;
  tree->Discr.Subset = {ValueSet(), ValueSet(1, 0), ValueSet(1, 0)};
  AddToSet(tree->Discr.Subset[1], 1);
  AddToSet(tree->Discr.Subset[1], 3);
  AddToSet(tree->Discr.Subset[2], 2);
  AttValue c[2];
  c[1].discr = 0;
  c[0].discr = 3;
  EXPECT_EQ(dtree::Classify(engine_, c, *tree, LeafVote::kDistribution), 1);
  c[0].discr = 4;  // in no subset
  EXPECT_EQ(dtree::Classify(engine_, c, *tree, LeafVote::kDistribution), 0);
  EXPECT_FLOAT_EQ(engine_.ClassSum[1], 0.3f);
}

}  // namespace
}  // namespace quarry::dtree
