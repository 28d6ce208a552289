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

TEST_F(Classification, CasesFollowTheirBranchOrSpreadOverAll) {
  struct Vote {
    const char* what;
    std::vector<float> low;  // the low leaf's distribution, then its class
    int lowClass;
    std::vector<float> high;
    int highClass;
    float x;
    LeafVote vote;
    int expected;
    float sum0, sum1;
  };
  const Vote votes[] = {
      {"at the cut", {30, 0}, 0, {0, 70}, 1, 5.0f, LeafVote::kDistribution, 0, 1, 0},
      {"above the cut", {30, 0}, 0, {0, 70}, 1, 5.5f, LeafVote::kDistribution, 1, 0, 1},
      {"unknown: by the branches' items",
       {30, 0},
       0,
       {0, 70},
       1,
       kUnknown,
       LeafVote::kDistribution,
       1,
       0.3f,
       0.7f},
      {"equal sums: the lower class",
       {0, 50},
       1,
       {50, 0},
       0,
       kUnknown,
       LeafVote::kDistribution,
       0,
       0.5f,
       0.5f},
      {"whole case: all its weight", {8, 2}, 0, {8, 2}, 0, 3.0f, LeafVote::kWholeCase, 0, 1, 0},
      {"whole case: half at each leaf",
       {8, 2},
       0,
       {8, 2},
       0,
       kUnknown,
       LeafVote::kWholeCase,
       0,
       0.8f,
       0.2f},
      {"distribution", {8, 2}, 0, {8, 2}, 0, 3.0f, LeafVote::kDistribution, 0, 0.8f, 0.2f},
      {"a leaf without items: its class",
       {0, 0},
       1,
       {4, 0},
       0,
       1.0f,
       LeafVote::kDistribution,
       1,
       0,
       1},
  };
  for (const Vote& v : votes) {
    SCOPED_TRACE(v.what);
    auto tree = Cut(Leaf(v.low, v.lowClass), Leaf(v.high, v.highClass));
    EXPECT_EQ(Classify(*tree, v.x, v.vote), v.expected);
    EXPECT_FLOAT_EQ(engine_.ClassSum[0], v.sum0);
    EXPECT_FLOAT_EQ(engine_.ClassSum[1], v.sum1);
  }
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
