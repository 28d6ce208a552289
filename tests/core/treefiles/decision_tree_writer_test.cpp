#include "core/treefiles/decision_tree_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "core/data/working_folder.h"
#include "core/treefiles/decision_rules_writer.h"
#include "core/treefiles/model_file.h"
#include "core/treefiles/rules_file_reader.h"
#include "core/treefiles/tree_file_names.h"
#include "core/treefiles/tree_file_reader.h"
#include "tests/support/temp_database.h"

namespace quarry::treefiles {
namespace {

using dtree::TreeNode;

// Attributes: colour (red, green, blue), size (continuous); class kind (x, y).
dtree::AttributeTable Attributes() {
  dtree::AttributeTable att;
  att.MaxAtt = 1;
  att.MaxClass = 1;
  att.AttName = {"colour", "size", "kind"};
  att.ValueCount = {3, 0, 2};
  att.ValueName = {{"", "red", "green", "blue"}, {}, {"", "x", "y"}};
  att.Status = {dtree::kDiscrete, dtree::kContinuous, dtree::kDiscrete};
  att.ClassName = {"x", "y"};
  return att;
}

std::unique_ptr<TreeNode> Leaf(int leafClass, float items, float errors) {
  auto leaf = std::make_unique<TreeNode>();
  leaf->MakeLeaf({items - errors, errors}, leafClass, items, errors);
  return leaf;
}

// size <= cut over two leaves, as the grower makes it.
std::unique_ptr<TreeNode> CutTree(float cut) {
  auto root = Leaf(0, 10, 3);
  root->NodeType = dtree::kCutTest;
  root->SetForks(2);
  root->Cont.Tested = 1;
  root->Cont.Cut = root->Cont.Lower = root->Cont.Upper = cut;
  root->SetErrors(1);
  root->Branch[1] = Leaf(0, 6, 0);
  root->Branch[2] = Leaf(1, 4, 1);
  return root;
}

TEST(DecisionTreeWriter, ASingleLeaf) {
  auto leaf = Leaf(1, 3, 1);
  EXPECT_EQ(DecisionTreeText(*leaf, Attributes(), 2),
            "Decision tree\n"
            "Read  3.000000 cases, with 2  attributes.\n"
            "\n-->LEAF:  y\nMOST FREQUENT CLASS: y\nERROR: 1.0\nNUMBER OF ITEMS: 3"
            "\n\n\nERROR = 1.000000\n"
            "Errors/N = 0.333333\n"
            "Number of collapsed leaves = 0\n"
            "Depth = 0\n");
}

TEST(DecisionTreeWriter, ThresholdsPrintWithPercentG) {
  auto tree = CutTree(35.5f);
  EXPECT_EQ(DecisionTreeBlocks(*tree, Attributes()),
            "\n-->CONTINUOUS NODE: size  \nMOST FREQUENT CLASS: x\nERROR: 1.0\nNUMBER OF ITEMS: 10"
            "\n| -->LEAF:  x[case: size <= 35.5 ]\n  MOST FREQUENT CLASS: x\n  ERROR: 0.0\n  "
            "NUMBER OF ITEMS: 6"
            "\n| -->LEAF:  y[case: size > 35.5 ]\n  MOST FREQUENT CLASS: y\n  ERROR: 1.0\n  NUMBER "
            "OF ITEMS: 4");
  tree = CutTree(1234567.0f);
  EXPECT_NE(DecisionTreeBlocks(*tree, Attributes()).find("[case: size <= 1.23457e+06 ]"),
            std::string::npos);
  // Softened bounds follow the annotation of both branches.
  tree = CutTree(2.0f);
  tree->Cont.Lower = 1.5f;
  tree->Cont.Upper = 2.25f;
  EXPECT_NE(DecisionTreeBlocks(*tree, Attributes()).find("[case: size > 2 ][1.5,2.25]\n"),
            std::string::npos);
}

TEST(DecisionTreeWriter, SubsetTestsAndValueTests) {
  auto root = Leaf(0, 10, 4);
  root->NodeType = dtree::kSubsetTest;
  root->Discr.Tested = 0;
  root->Discr.Kind = dtree::kSubsetTest;
  root->SetForks(3);
  root->Discr.Subset = {{}, {0}, {0}, {0}};
  dtree::AddToSet(root->Discr.Subset[1], 1);
  dtree::AddToSet(root->Discr.Subset[1], 3);
  dtree::AddToSet(root->Discr.Subset[2], 2);
  root->Branch[1] = Leaf(0, 6, 1);
  root->Branch[2] = Leaf(1, 4, 0);
  root->Branch[3] = Leaf(0, 0, 0);  // an empty subset
  const std::string blocks = DecisionTreeBlocks(*root, Attributes());
  EXPECT_NE(blocks.find("\n-->DISCRETE NODE:  colour \nMOST FREQUENT CLASS: x"), std::string::npos);
  EXPECT_NE(blocks.find("\n| -->LEAF:  x[case: colour in {red,blue}]\n"), std::string::npos);
  EXPECT_NE(blocks.find("\n| -->LEAF:  y[case: colour in {green}]\n"), std::string::npos);
  EXPECT_NE(blocks.find("\n| -->LEAF:  x}]\n"), std::string::npos);
  const std::string rules = DecisionRulesText(*root, Attributes());
  EXPECT_NE(
      rules.find("     IF\n             colour in {red,blue} \n     THEN\n            kind = x"),
      std::string::npos);

  root->NodeType = dtree::kDiscreteTest;
  root->Discr.Kind = dtree::kDiscreteTest;
  EXPECT_NE(DecisionTreeBlocks(*root, Attributes()).find("\n| -->LEAF:  y[case: colour = green]\n"),
            std::string::npos);
}

TEST(DecisionRulesWriter, RulesInFixedDecimalText) {
  auto root = CutTree(-2.5f);
  root->Branch[2] = CutTree(0.0625f);
  EXPECT_EQ(DecisionRulesText(*root, Attributes()),
            "Decision Tree\n"
            "Read  10.000000 cases, with 2  attributes.\n\n"
            "\n-->  Rules1:\n             Number of cases: 6\n             MOST FREQUENT CLASS: x\n"
            "             ERROR: 0.0\n"
            "     IF\n              size <= -2.5000000000 \n     THEN\n            kind = x"
            "\n-->  Rules2:\n             Number of cases: 6\n             MOST FREQUENT CLASS: x\n"
            "             ERROR: 0.0\n"
            "     IF\n              size > -2.5000000000  AND\n              size <= 0.0625000000 "
            "\n     THEN\n            kind = x"
            "\n-->  Rules3:\n             Number of cases: 4\n             MOST FREQUENT CLASS: y\n"
            "             ERROR: 1.0\n"
            "     IF\n              size > -2.5000000000  AND\n              size > 0.0625000000 "
            "\n     THEN\n            kind = y"
            "\n\n\nERROR = 1.000000\n"
            "Errors/N = 0.100000\n");
}

// Minimum error pruning leaves error rates of -0 and of a few units in the last place below it
// (empty leaves, fractional weights): they print as zero, without a sign.
TEST(DecisionTreeFiles, FiguresThatPrintAsZeroHaveNoSign) {
  auto root = CutTree(-0.0f);
  root->SetErrors(-1e-9f);
  root->Branch[1] = Leaf(0, 6, -0.0f);
  root->Branch[2] = Leaf(1, 4, -0.04f);
  const std::string tree = DecisionTreeText(*root, Attributes(), 2);
  const std::string rules = DecisionRulesText(*root, Attributes());
  for (const std::string* text : {&tree, &rules}) {
    EXPECT_EQ(text->find("-0"), std::string::npos) << *text;
    EXPECT_NE(text->find("ERROR = 0.000000\nErrors/N = 0.000000\n"), std::string::npos) << *text;
  }
  EXPECT_NE(
      tree.find("\n| -->LEAF:  x[case: size <= 0 ]\n  MOST FREQUENT CLASS: x\n  ERROR: 0.0\n"),
      std::string::npos);
  EXPECT_NE(rules.find("             ERROR: 0.0\n     IF\n              size > 0.0000000000 "),
            std::string::npos);
}

// The model file gives back every figure to the bit, a figure repeated in a node (a threshold
// as its bounds, the items in both test parts) and zeros of both signs side by side alike.
TEST(DecisionTreeFiles, TheModelFileGivesEveryFigureBack) {
  auto root = CutTree(0.1f);
  root->SetItems(10.3f);
  root->Discr.Items = 10.3f;
  root->Branch[1] = Leaf(0, 6.3f, -0.0f);
  root->Branch[2] = Leaf(1, 4, 0.0f);
  root->Branch[2]->Cont.Cut = -0.0f;
  root->Branch[2]->Cont.Upper = 1e-30f;
  const std::string text = DecisionModelText(*root, Attributes(), dtree::LeafVote::kDistribution);
  auto saved = ParseModelText(text);
  ASSERT_TRUE(saved.ok()) << saved.status().message();
  auto figures = [](const TreeNode& node) {
    std::vector<uint32_t> bits;
    for (float f : {node.Cont.Items, node.Cont.Errors, node.Cont.Cut, node.Cont.Lower,
                    node.Cont.Upper, node.Discr.Items, node.Discr.Errors})
      bits.push_back(std::bit_cast<uint32_t>(f));
    for (float f : node.ClassDist) bits.push_back(std::bit_cast<uint32_t>(f));
    return bits;
  };
  const TreeNode& read = *saved->decision;
  EXPECT_EQ(figures(read), figures(*root));
  for (int b = 1; b <= 2; ++b) EXPECT_EQ(figures(read.Child(b)), figures(root->Child(b))) << b;
}

TEST(DecisionTreeFiles, WhatTheWritersWriteTheReadersRead) {
  testing::TempFolder folder;
  ASSERT_TRUE(EnsureWorkingFolder().ok());
  auto root = CutTree(-2.5f);
  root->Branch[2] = CutTree(0.0625f);
  ASSERT_TRUE(WriteDecisionTree(*root, Attributes(), 2, "t/../x_data").ok());
  ASSERT_TRUE(WriteDecisionRules(*root, Attributes(), "t/../x_data").ok());
  // The table name cannot lead out of the working folder.
  EXPECT_EQ(TreeFilePath("t/../x_data").parent_path(), WorkingFolder());

  auto tree = ReadTreeFile(TreeFilePath("t/../x_data"));
  ASSERT_TRUE(tree.ok());
  ASSERT_EQ(tree->nodes.size(), 5u);
  EXPECT_EQ(tree->nodes[2].kind, kContinuousNode);
  EXPECT_EQ(tree->nodes[2].label, " size  [case: size > -2.5 ]");
  EXPECT_EQ(tree->nodes[4].parent, 2);
  EXPECT_EQ(tree->nodes[4].detail3, " 4");
  EXPECT_EQ(tree->errorLine, "ERROR = 1.000000");
  EXPECT_EQ(tree->summary.back(), "Depth = 2");

  auto rules = ReadRulesFile(RulesFilePath("t/../x_data"));
  ASSERT_TRUE(rules.ok());
  ASSERT_EQ(rules->rules.size(), 3u);
  EXPECT_EQ(rules->rules[2].conditions,
            (std::vector<std::string>{"size > -2.5000000000", "size > 0.0625000000"}));
  EXPECT_EQ(rules->rules[2].conclusion, "kind = y");
  EXPECT_EQ(rules->rules[2].detail2, "1.0");
  // No temporary file is left beside the results.
  for (const auto& entry : std::filesystem::directory_iterator(WorkingFolder())) {
    EXPECT_NE(entry.path().extension(), ".part");
  }
}

}  // namespace
}  // namespace quarry::treefiles
