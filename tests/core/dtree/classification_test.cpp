#include "core/dtree/classification.h"

#include <gtest/gtest.h>

#include <random>
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

// A case down a cut at 5 over two leaves (each a distribution and its class): the class it gets
// and the class sums of the vote.
TEST_F(Classification, CasesFollowTheirBranchOrSpreadOverAll) {
  struct Vote {
    const char* what;
    std::vector<float> low;
    int lowClass;
    std::vector<float> high;
    int highClass;
    float x;
    LeafVote vote;
    int expected;
    float sum0, sum1;
  };
  const LeafVote kDist = LeafVote::kDistribution, kWhole = LeafVote::kWholeCase;
  const Vote votes[] = {
      {"at the cut", {30, 0}, 0, {0, 70}, 1, 5.0f, kDist, 0, 1, 0},
      {"above the cut", {30, 0}, 0, {0, 70}, 1, 5.5f, kDist, 1, 0, 1},
      {"unknown: by items", {30, 0}, 0, {0, 70}, 1, kUnknown, kDist, 1, 0.3f, 0.7f},
      {"tie: lower class", {0, 50}, 1, {50, 0}, 0, kUnknown, kDist, 0, 0.5f, 0.5f},
      {"whole case", {8, 2}, 0, {8, 2}, 0, 3.0f, kWhole, 0, 1, 0},
      {"whole case, unknown", {8, 2}, 0, {8, 2}, 0, kUnknown, kWhole, 0, 0.8f, 0.2f},
      {"distribution", {8, 2}, 0, {8, 2}, 0, 3.0f, kDist, 0, 0.8f, 0.2f},
      {"empty leaf: its class", {0, 0}, 1, {4, 0}, 0, 1.0f, kDist, 1, 0, 1},
  };
  for (const Vote& v : votes) {
    SCOPED_TRACE(v.what);
    auto tree = Cut(Leaf(v.low, v.lowClass), Leaf(v.high, v.highClass));
    EXPECT_EQ(Classify(*tree, v.x, v.vote), v.expected);
    EXPECT_FLOAT_EQ(engine_.ClassSum[0], v.sum0);
    EXPECT_FLOAT_EQ(engine_.ClassSum[1], v.sum1);
  }
}

// A value no branch takes, of a test by value or by subsets, spreads over the branches as an
// unknown one does.
TEST_F(Classification, DiscreteValuesWithoutABranchGoDownAllBranches) {
  auto tree = Cut(Leaf({0, 30}, 1), Leaf({70, 0}, 0));
  tree->Discr.Tested = 0;
  tree->Discr.Items = 100;
  AttValue c[2];
  c[1].discr = 0;
  auto expect = [&](int value, int expected) {
    SCOPED_TRACE(::testing::Message() << "type " << tree->NodeType << " value " << value);
    c[0].discr = value;
    EXPECT_EQ(dtree::Classify(engine_, c, *tree, LeafVote::kDistribution), expected);
    if (expected == 0) {
      EXPECT_FLOAT_EQ(engine_.ClassSum[1], 0.3f);
    }
  };
  tree->NodeType = kDiscreteTest;
  expect(0, 0);  // unknown
  expect(3, 0);  // beyond the branches
  expect(1, 1);
  tree->NodeType = kSubsetTest;
  tree->Discr.Subset = {ValueSet(), ValueSet(1, 0), ValueSet(1, 0)};
  AddToSet(tree->Discr.Subset[1], 1);
  AddToSet(tree->Discr.Subset[1], 3);
  AddToSet(tree->Discr.Subset[2], 2);
  expect(3, 1);
  expect(4, 0);  // in no subset
}

// A test node over `branches`, its items theirs.
std::unique_ptr<TreeNode> Node(NodeType type, int tested, float cut,
                               std::vector<std::unique_ptr<TreeNode>> branches) {
  auto node = std::make_unique<TreeNode>();
  float items = 0;
  for (const auto& b : branches) items += b->Items();
  node->MakeLeaf({items, 0}, 0, items, 0);
  node->NodeType = type;
  node->Cont.Tested = node->Discr.Tested = static_cast<int16_t>(tested);
  node->Cont.Cut = cut;
  node->SetForks(static_cast<int>(branches.size()));
  for (size_t b = 0; b < branches.size(); ++b) node->Branch[b + 1] = std::move(branches[b]);
  return node;
}

class CountingErrors : public EngineTest {
 protected:
  // A random tree over the weather example's attributes: cuts on temperature and humidity, tests
  // by value on outlook (two or three branches: "sunny" may have none) and by subsets on windy,
  // leaves of fractional, zero and empty distributions whose class is not always the largest.
  std::unique_ptr<TreeNode> RandomTree(int depth) {
    const float weights[] = {0, 0, 0.5f, 1, 2.25f, 3, 7};
    const int kind = depth == 0 ? 0 : static_cast<int>(bits_() % 5);
    if (kind <= 1) {
      return Leaf({weights[bits_() % 7], weights[bits_() % 7]}, static_cast<int>(bits_() % 2));
    }
    std::vector<std::unique_ptr<TreeNode>> branches;
    const int forks = kind == 3 ? 2 + static_cast<int>(bits_() % 2) : 2;
    for (int b = 0; b < forks; ++b) branches.push_back(RandomTree(depth - 1));
    const float cuts[] = {65, 71.5f, 80, 85};
    if (kind == 2)
      return Node(kCutTest, 1 + static_cast<int>(bits_() % 2), cuts[bits_() % 4],
                  std::move(branches));
    if (kind == 3) return Node(kDiscreteTest, 0, 0, std::move(branches));
    auto node = Node(kSubsetTest, 3, 0, std::move(branches));
    node->Discr.Subset = {ValueSet(), ValueSet(1, 0), ValueSet(1, 0)};
    AddToSet(node->Discr.Subset[1], 1 + static_cast<int>(bits_() % 2));
    AddToSet(node->Discr.Subset[2], 2);
    return node;
  }
  std::mt19937 bits_{3};
};

// Counting the errors of many cases takes them down a table of the tree, spreading the weight of
// a case a test cannot decide over it too: each case alone, with either class, must be counted
// as its own classification says, whichever way it goes (known values, unknown ones at any level,
// a value without a branch, a subset test) and whichever way the leaves vote.
TEST_F(CountingErrors, SameAsEachCaseClassified) {
  LoadGolf();  // outlook (overcast, rainy, sunny), temperature, humidity, windy (false, true)
  std::vector<Case>& items = engine_.Cases.Item;
  const std::vector<Case> all = items;
  const float values[] = {64, 65, 71.5f, 72, 80, 85, 96};
  for (int round = 0; round < 300; ++round) {
    const auto tree = RandomTree(4);
    for (Case c : all) {  // a quarter of the cells unknown
      c[0].discr = bits_() % 4 == 0 ? kUnknownValue : static_cast<int32_t>(1 + bits_() % 3);
      c[1].cont = bits_() % 4 == 0 ? kUnknown : values[bits_() % 7];
      c[2].cont = bits_() % 4 == 0 ? kUnknown : values[bits_() % 7];
      c[3].discr = static_cast<int32_t>(bits_() % 3);
    }
    for (LeafVote vote : {LeafVote::kDistribution, LeafVote::kWholeCase}) {
      for (size_t i = 0; i < all.size(); ++i) {
        items.assign(1, all[i]);
        for (int32_t label : {0, 1}) {
          all[i][4].discr = label;
          ASSERT_EQ(CountTreeErrors(engine_, *tree, vote),
                    Classify(engine_, all[i], *tree, vote) != label ? 1 : 0)
              << "round " << round << " case " << i << " class " << label << "\n"
              << DumpTree(*tree);
        }
      }
    }
  }
}

}  // namespace
}  // namespace quarry::dtree
