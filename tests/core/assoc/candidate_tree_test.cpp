#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/assoc/candidate_tree.h"
#include "core/data/rand.h"

namespace quarry::assoc {
namespace {

std::set<int32_t> Found(const CandidateTree& tree, const ItemVector& t) {
  std::set<int32_t> found;
  tree.Search(t, [&found](int32_t ordinal) { EXPECT_TRUE(found.insert(ordinal).second); });
  return found;
}

class CandidateTreeSearch : public ::testing::TestWithParam<uint32_t> {};

// Whatever the leaf capacity, a search reports exactly the candidates the transaction holds,
// each once.
TEST_P(CandidateTreeSearch, FindsExactlyTheContainedCandidates) {
  constexpr size_t kItems = 12;
  Rand rand;
  std::vector<ItemPositions> candidates;
  std::set<ItemPositions> seen;
  while (candidates.size() < 150) {
    ItemPositions c;
    for (size_t i = 0; i < kItems; ++i) {
      if (rand.Next() % 4 == 0) c.push_back(static_cast<int32_t>(i));
    }
    if (c.empty() || !seen.insert(c).second) continue;
    candidates.push_back(c);
  }
  CandidateTree tree(kItems, GetParam());
  for (size_t i = 0; i < candidates.size(); ++i)
    tree.Insert(candidates[i], static_cast<int32_t>(i));
  EXPECT_EQ(tree.Size(), candidates.size());
  for (int round = 0; round < 200; ++round) {
    ItemVector t(kItems, 0);
    for (auto& byte : t) byte = rand.Next() % 2 == 0 ? 1 : 0;
    std::set<int32_t> expected;
    for (size_t i = 0; i < candidates.size(); ++i) {
      if (std::all_of(candidates[i].begin(), candidates[i].end(),
                      [&](int32_t p) { return t[p] == 1; })) {
        expected.insert(static_cast<int32_t>(i));
      }
    }
    EXPECT_EQ(Found(tree, t), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(LeafCapacities, CandidateTreeSearch, ::testing::Values(1u, 2u, 8u, 1000u));

TEST(CandidateTree, AFullLeafSplitsOnItsDepthsPosition) {
  CandidateTree tree(4, 2);
  EXPECT_TRUE(tree.Empty());
  tree.Insert({0, 1}, 0);
  tree.Insert({1, 2}, 1);
  EXPECT_EQ(tree.NodeCount(), 1u);
  // The third entry splits the root on position 0: {0,1} goes to child "1", the others to "0".
  tree.Insert({2, 3}, 2);
  EXPECT_EQ(tree.NodeCount(), 3u);
  EXPECT_EQ(tree.Depth(), 1u);
  EXPECT_EQ(Found(tree, {1, 1, 1, 1}), (std::set<int32_t>{0, 1, 2}));
  EXPECT_EQ(Found(tree, {0, 1, 1, 1}), (std::set<int32_t>{1, 2}));
}

TEST(CandidateTree, AChildThatTakesEveryEntrySplitsOnlyWhenReachedAgain) {
  CandidateTree tree(6, 1);
  tree.Insert({3, 4}, 0);
  tree.Insert({3, 5}, 1);  // the root splits on 0: both go to child "0", which keeps two
  EXPECT_EQ(tree.NodeCount(), 3u);
  EXPECT_EQ(tree.Depth(), 1u);
  tree.Insert({4, 5}, 2);  // reaching the full child splits it on position 1: again all to "0"
  EXPECT_EQ(tree.NodeCount(), 5u);
  EXPECT_EQ(tree.Depth(), 2u);
  EXPECT_EQ(Found(tree, {0, 0, 0, 1, 1, 1}), (std::set<int32_t>{0, 1, 2}));
  EXPECT_EQ(Found(tree, {0, 0, 0, 1, 0, 1}), (std::set<int32_t>{1}));
}

TEST(CandidateTree, NoPositionLeftMeansTheLeafJustGrows) {
  CandidateTree tree(2, 1);
  tree.Insert({0}, 0);
  tree.Insert({1}, 1);
  tree.Insert({0, 1}, 2);
  tree.Insert({0, 1}, 3);  // a duplicate reaches depth 2 = M and stays in its leaf
  EXPECT_EQ(Found(tree, {1, 1}), (std::set<int32_t>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace quarry::assoc
