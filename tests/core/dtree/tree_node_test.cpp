#include "core/dtree/tree_node.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/core/dtree/engine_test_support.h"

namespace quarry::dtree {
namespace {

// A subset test over 5 classes (more than a node holds in place) with two leaves of 2 classes.
std::unique_ptr<TreeNode> SubsetTree() {
  auto root = std::make_unique<TreeNode>();
  root->MakeLeaf({1, 2, 3, 4, 5}, 4, 15, 10);
  root->NodeType = kSubsetTest;
  root->SetForks(2);
  root->Discr.Tested = 1;
  root->Discr.Kind = kSubsetTest;
  root->Discr.Subset.assign(3, ValueSet(ValueSetBytes(9), 0));
  AddToSet(root->Discr.Subset[1], 2);
  AddToSet(root->Discr.Subset[2], 9);
  root->Branch[1] = Leaf({6, 1}, 0);
  root->Branch[2] = Leaf({0, 8}, 1);
  return root;
}

TEST(TreeNode, CopiesOwnTheirDistributionsAndSubsets) {
  auto tree = SubsetTree();
  auto copy = CopyTree(*tree);
  EXPECT_EQ(copy->ClassDist, tree->ClassDist);
  EXPECT_EQ(copy->Discr.Subset, tree->Discr.Subset);
  EXPECT_EQ(copy->Child(2).ClassDist, tree->Child(2).ClassDist);

  copy->ClassDist[4] = 50;
  copy->Child(1).ClassDist[0] = 60;
  AddToSet(copy->Discr.Subset[1], 3);
  EXPECT_EQ(tree->ClassDist[4], 5);
  EXPECT_EQ(tree->Child(1).ClassDist[0], 6);
  EXPECT_FALSE(InSet(tree->Discr.Subset[1], 3));
  EXPECT_FALSE(copy->Discr.Subset == tree->Discr.Subset);

  // A node copied alone has its fields and empty branch slots.
  auto alone = CopyNode(*tree);
  EXPECT_EQ(alone->Forks, 2);
  EXPECT_EQ(alone->Branch[1], nullptr);
  EXPECT_EQ(alone->Discr.Subset, tree->Discr.Subset);
}

TEST(TreeNode, ALeafMayBeMadeFromItsOwnDistributionOfAnySize) {
  for (std::vector<float> dist : {std::vector<float>{3, 1}, std::vector<float>{1, 2, 3, 4, 5}}) {
    auto leaf = Leaf(dist, 0);
    leaf->MakeLeaf(leaf->ClassDist, 1, 9, 4);
    EXPECT_EQ(std::vector<float>(leaf->ClassDist.begin(), leaf->ClassDist.end()), dist);
    EXPECT_EQ(leaf->Leaf, 1);
    // Growing and shrinking across the size held in place keeps the weights given.
    leaf->MakeLeaf({7, 8, 9, 10}, 2, 34, 25);
    leaf->MakeLeaf({7, 8}, 1, 15, 7);
    EXPECT_EQ(std::vector<float>(leaf->ClassDist.begin(), leaf->ClassDist.end()),
              (std::vector<float>{7, 8}));
  }
}

TEST(TreeNode, ANodeReplacedByACopyOfItsChildLetsItsOldSubtreeGo) {
  auto tree = SubsetTree();
  ReplaceWithCopy(*tree, tree->Child(2));
  EXPECT_TRUE(tree->IsLeaf());
  EXPECT_EQ(tree->Forks, 0);
  EXPECT_EQ(tree->Branch, nullptr);
  EXPECT_EQ(tree->ClassDist.size(), 2u);
  EXPECT_EQ(tree->ClassDist[1], 8);
  EXPECT_TRUE(tree->Discr.Subset.empty());
  EXPECT_EQ(tree->Items(), 8);
}

}  // namespace
}  // namespace quarry::dtree
