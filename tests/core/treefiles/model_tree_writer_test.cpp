#include <gtest/gtest.h>

#include "core/treefiles/model_rules_writer.h"
#include "core/treefiles/model_tree_writer.h"
#include "core/treefiles/rules_file_reader.h"
#include "core/treefiles/tree_file_reader.h"

namespace quarry::treefiles {
namespace {

using modeltree::ContinuousSplit;
using modeltree::DiscreteSplit;
using modeltree::LinearModel;
using modeltree::ModelTreeCounts;
using modeltree::ModelTreeNode;

// Color (red, green, blue, yellow), Age, Size; the target Price.
dtree::AttributeTable Attributes() {
  dtree::AttributeTable att;
  att.MaxAtt = 2;
  att.AttName = {"Color", "Age", "Size", "Price"};
  att.ValueCount = {4, 0, 0, 0};
  att.ValueName = {{"", "red", "green", "blue", "yellow"}, {}, {}, {}};
  att.Status = {dtree::kDiscrete, dtree::kContinuous, dtree::kContinuous, dtree::kContinuous};
  return att;
}

std::unique_ptr<ModelTreeNode> Node(int id, int items, float mean = 1.5f, double deviance = 2.25) {
  auto node = std::make_unique<ModelTreeNode>();
  node->id = id;
  node->first = 0;
  node->last = items - 1;
  node->mean = mean;
  node->deviance = deviance;
  return node;
}

std::unique_ptr<LinearModel> Line(double intercept, double slope, int variable) {
  auto model = std::make_unique<LinearModel>(2);
  model->intercept = intercept;
  model->slope = slope;
  model->variable = static_cast<int16_t>(variable);
  return model;
}

std::unique_ptr<ModelTreeNode> Leaf(int id, std::unique_ptr<LinearModel> model) {
  auto node = Node(id, 5);
  node->model = std::move(model);
  return node;
}

// Color in {red, green} / Color in {green} below it / a regression node on Size (Age's line on
// Size: 10 + 2 Size) above a threshold on Age.
std::unique_ptr<ModelTreeNode> SampleTree() {
  auto root = Node(1, 20, 22.5f, 110.25);
  root->kind = modeltree::kDiscreteSplit;
  root->test = std::make_unique<DiscreteSplit>(0, std::vector<int16_t>{1, 2});

  auto inner = Node(2, 10);
  inner->kind = modeltree::kDiscreteSplit;
  inner->test = std::make_unique<DiscreteSplit>(0, std::vector<int16_t>{2});
  inner->left = Leaf(3, Line(10, 0, -1));
  inner->right = Leaf(4, Line(1, 2, 1));
  root->left = std::move(inner);

  auto regression = Node(5, 10);
  regression->kind = modeltree::kRegression;
  regression->model = Line(3, 0.5, 2);
  regression->model->coefficients[1] = {10, 2};
  auto cut = Node(6, 10);
  cut->kind = modeltree::kContinuousSplit;
  cut->test = std::make_unique<ContinuousSplit>(1, 35.5f);
  cut->left = Leaf(7, Line(-2.25, 0, -1));
  cut->right = Leaf(8, Line(0.5, 1, 1));
  regression->left = std::move(cut);
  root->right = std::move(regression);
  return root;
}

TEST(ModelTreeWriter, SingleConstantLeaf) {
  auto leaf = Node(1, 4, 12.5f, 0.0);
  leaf->model = Line(12.5, 0, -1);
  std::string text = ModelTreeHeader(4, 3);
  ModelTreeCounts counts;
  WriteModelTree(text, *leaf, Attributes(), counts);
  text += ModelErrorLines(0.5, 0.25);
  EXPECT_EQ(text,
            "Regression tree\n"
            "Read  4 cases, with 3  attributes.\n"
            "\n"
            "-->LEAF: Price = 12.500000000000000 \n"
            "MEAN: 12.500000\n"
            "DEVIANCE: 0.000000\n"
            "NUMBER OF ITEMS: 4\n"
            "\n\nERROR = 0.500000\n"
            "SSres/Syy = 0.250000\n");
  EXPECT_EQ(counts.leaves, 1);

  auto parsed = ParseTreeText(text);
  ASSERT_TRUE(parsed.ok()) << parsed.status().message();
  EXPECT_TRUE(parsed->IsModelTree());
  ASSERT_EQ(parsed->nodes.size(), 1u);
  EXPECT_EQ(parsed->nodes[0].kind, kLeafNode);
  EXPECT_EQ(parsed->errorLine, "ERROR = 0.500000");
  EXPECT_EQ(parsed->measureLine, "SSres/Syy = 0.250000");
}

// Sums of floats leave means, deviances and coefficients a few units in the last place below zero:
// they print as zero, without a sign, in the tree and in the rules.
TEST(ModelTreeWriter, FiguresThatPrintAsZeroHaveNoSign) {
  auto root = Node(1, 10, -1e-9f, -0.0);
  root->kind = modeltree::kContinuousSplit;
  root->test = std::make_unique<ContinuousSplit>(1, -1e-9f);
  root->left = Leaf(2, Line(-1e-17, 0, -1));
  root->right = Leaf(3, Line(2, -1e-17, 2));
  std::string text;
  ModelTreeCounts counts;
  WriteModelTree(text, *root, Attributes(), counts);
  text += ModelErrorLines(-0.0, -1e-9);
  WriteModelRules(text, *root, Attributes(), 10);
  EXPECT_EQ(text.find("-0"), std::string::npos) << text;
  EXPECT_NE(text.find("MEAN: 0.000000\nDEVIANCE: 0.000000\n"), std::string::npos) << text;
  EXPECT_NE(text.find("| -->LEAF: Price = 0.000000000000000  [case: Age <= 0.000000]"),
            std::string::npos);
  EXPECT_NE(text.find("Price = 2.000000000000000 + 0.000000000000000 Size [case: Age > 0.000000]"),
            std::string::npos);
  EXPECT_NE(text.find("ERROR = 0.000000\nSSres/Syy = 0.000000\n"), std::string::npos);
  EXPECT_NE(text.find("Price = 2.000000  + 0.000000 * Size "), std::string::npos);
}

TEST(ModelTreeWriter, AnnotationsListOnlyValuesStillPossible) {
  auto root = SampleTree();
  std::string text;
  ModelTreeCounts counts;
  WriteModelTree(text, *root, Attributes(), counts);
  EXPECT_EQ(
      text,
      "-->DISCRETE NODE:  Color \n"
      "MEAN: 22.500000\n"
      "DEVIANCE: 110.250000\n"
      "NUMBER OF ITEMS: 20\n"
      "| -->DISCRETE NODE:  Color  [case: Color in { red, green}]\n"
      "  MEAN: 1.500000\n"
      "  DEVIANCE: 2.250000\n"
      "  NUMBER OF ITEMS: 10\n"
      // blue and yellow went right at the root: only red is left beside green
      "| | -->LEAF: Price = 10.000000000000000  [case: Color in { green}]\n"
      "    MEAN: 1.500000\n"
      "    DEVIANCE: 2.250000\n"
      "    NUMBER OF ITEMS: 5\n"
      "| | -->LEAF: Price = 1.000000000000000 + 2.000000000000000 Age [case: Color in { red }]\n"
      "    MEAN: 1.500000\n"
      "    DEVIANCE: 2.250000\n"
      "    NUMBER OF ITEMS: 5\n"
      "| -->REGRESS NODE: Price = 3.000000000000000 + 0.500000000000000 Size [case: Color in "
      "{ blue , yellow }]\n"
      "  MEAN: 1.500000\n"
      "  DEVIANCE: 2.250000\n"
      "  NUMBER OF ITEMS: 10\n"
      "| | -->CONTINUOUS NODE: Age \n"
      "    MEAN: 1.500000\n"
      "    DEVIANCE: 2.250000\n"
      "    NUMBER OF ITEMS: 10\n"
      "| | | -->LEAF: Price = -2.250000000000000  [case: Age <= 35.500000]\n"
      "      MEAN: 1.500000\n"
      "      DEVIANCE: 2.250000\n"
      "      NUMBER OF ITEMS: 5\n"
      "| | | -->LEAF: Price = 0.500000000000000 + 1.000000000000000 Age [case: Age > 35.500000]\n"
      "      MEAN: 1.500000\n"
      "      DEVIANCE: 2.250000\n"
      "      NUMBER OF ITEMS: 5\n");
  EXPECT_EQ(counts.splits, 3);
  EXPECT_EQ(counts.regressions, 1);
  EXPECT_EQ(counts.leaves, 4);

  // The shared reader takes the file as written and rebuilds the same shape.
  auto parsed = ParseTreeText(ModelTreeHeader(20, 3) + text + ModelErrorLines(1, 0.1));
  ASSERT_TRUE(parsed.ok()) << parsed.status().message();
  ASSERT_EQ(parsed->nodes.size(), 8u);
  EXPECT_EQ(parsed->nodes[4].kind, kRegressNode);
  EXPECT_EQ(parsed->nodes[4].children, std::vector<int>{5});
  EXPECT_EQ(parsed->nodes[5].depth, 2);
  EXPECT_EQ(parsed->nodes[6].parent, 5);
  EXPECT_EQ(parsed->nodes[2].detail3, " 5");
}

TEST(ModelRulesWriter, ConditionsAndConclusionsAreWrittenInTheLoadedAttributes) {
  auto root = SampleTree();
  std::string text;
  WriteModelRules(text, *root, Attributes(), 20);
  EXPECT_EQ(text,
            "Regression Tree\n"
            "Read  20 cases, with 3  attributes.\n"
            "\n"
            "\n-->  Rule1:\n"
            "             Number of cases: 5\n"
            "             Mean: 1.500000\n"
            "             Deviance: 2.250000\n"
            "     IF\n"
            "             Color in { red, green }  AND\n"
            "             Color in { green } \n"
            "     THEN\n"
            "             Price = 10.000000 "
            "\n-->  Rule2:\n"
            "             Number of cases: 5\n"
            "             Mean: 1.500000\n"
            "             Deviance: 2.250000\n"
            "     IF\n"
            "             Color in { red, green }  AND\n"
            "             Color not in { green } \n"
            "     THEN\n"
            "             Price = 1.000000  + 2.000000 * Age "
            "\n-->  Rule3:\n"
            "             Number of cases: 5\n"
            "             Mean: 1.500000\n"
            "             Deviance: 2.250000\n"
            "     IF\n"
            "             Color not in { red, green }  AND\n"
            // Below the regression node the grower split Age - (10 + 2 Size).
            "              ( -10.00000 + 1.00000 * Age - 2.00000 * Size ) <= 35.50000 \n"
            "     THEN\n"
            // The regression node's 3 + 0.5 Size plus the leaf's constant.
            "             Price = 0.750000  + 0.500000 * Size "
            "\n-->  Rule4:\n"
            "             Number of cases: 5\n"
            "             Mean: 1.500000\n"
            "             Deviance: 2.250000\n"
            "     IF\n"
            "             Color not in { red, green }  AND\n"
            "              ( -10.00000 + 1.00000 * Age - 2.00000 * Size ) > 35.50000 \n"
            "     THEN\n"
            // 3 + 0.5 Size + 0.5 + (Age - 10 - 2 Size)
            "             Price = -6.500000  + 1.000000 * Age  -1.500000 * Size ");

  auto parsed = ParseRulesText(text + ModelErrorLines(1, 0.1));
  ASSERT_TRUE(parsed.ok()) << parsed.status().message();
  ASSERT_EQ(parsed->rules.size(), 4u);
  EXPECT_EQ(parsed->rules[3].conditions.size(), 2u);
  EXPECT_EQ(parsed->rules[0].conclusion, "Price = 10.000000");
}

TEST(ModelRulesWriter, NestedRegressionNodesKeepEveryRowExact) {
  // A regression on Size (Age = 10 + 2 Size, W = 1 + 0.5 Size), then on what is left of W
  // (Age = 3 + 4 W): the grower saw Age - 2 Size - 10 - 4 (W - 0.5 Size - 1) - 3.
  dtree::AttributeTable att;
  att.MaxAtt = 2;
  att.AttName = {"Age", "Size", "W", "y"};
  att.ValueCount = {0, 0, 0, 0};
  att.ValueName.resize(4);
  att.Status = {3, 3, 3, 3};
  auto outer = Node(1, 30);
  outer->kind = modeltree::kRegression;
  outer->model = Line(0, 1, 1);
  outer->model->coefficients[0] = {10, 2};
  outer->model->coefficients[2] = {1, 0.5};
  auto inner = Node(2, 30);
  inner->kind = modeltree::kRegression;
  inner->model = Line(0, 1, 2);
  inner->model->coefficients[0] = {3, 4};
  auto cut = Node(3, 30);
  cut->kind = modeltree::kContinuousSplit;
  cut->test = std::make_unique<ContinuousSplit>(0, 1.0f);
  cut->left = Leaf(4, Line(0, 0, -1));
  cut->right = Leaf(5, Line(0, 0, -1));
  inner->left = std::move(cut);
  outer->left = std::move(inner);

  std::string text;
  WriteModelRules(text, *outer, att, 30);
  EXPECT_NE(text.find(" ( -9.00000 + 1.00000 * Age - 4.00000 * W ) <= 1.00000 "), std::string::npos)
      << text;
  // y = Size + (W - 0.5 Size - 1)
  EXPECT_NE(text.find("y = -1.000000  + 0.500000 * Size  + 1.000000 * W "), std::string::npos)
      << text;
}

TEST(ModelRulesWriter, ThresholdsAndNamesInFixedDecimalText) {
  dtree::AttributeTable att = Attributes();
  att.AttName[0] = "Made in Italy";
  auto root = Node(1, 10);
  root->kind = modeltree::kDiscreteSplit;
  root->test = std::make_unique<DiscreteSplit>(0, std::vector<int16_t>{3});
  auto cut = Node(2, 5);
  cut->kind = modeltree::kContinuousSplit;
  cut->test = std::make_unique<ContinuousSplit>(2, -2.5f);
  cut->left = Leaf(3, Line(0, 0, -1));
  auto small = Node(4, 5);
  small->kind = modeltree::kContinuousSplit;
  small->test = std::make_unique<ContinuousSplit>(1, 0.05f);
  small->left = Leaf(5, Line(0, 0, -1));
  small->right = Leaf(6, Line(0, 0, -1));
  cut->right = std::move(small);
  root->left = std::move(cut);
  root->right = Leaf(7, Line(0, 0, -1));

  std::string text;
  WriteModelRules(text, *root, att, 10);
  EXPECT_NE(text.find("(  + 1.00000 * Size ) <= -2.50000 "), std::string::npos) << text;
  EXPECT_NE(text.find("(  + 1.00000 * Age ) > 0.05000 "), std::string::npos) << text;
  // The " not in " replacement rewrites the name too.
  EXPECT_NE(text.find("Made not in Italy not in { blue }"), std::string::npos) << text;
}

}  // namespace
}  // namespace quarry::treefiles
