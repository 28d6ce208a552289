#include "core/treefiles/branch_condition.h"

#include <gtest/gtest.h>

#include <map>

namespace quarry::treefiles {
namespace {

using Op = BranchCondition::Op;

TEST(BranchCondition, ReadsTheAnnotationsOfBothKinds) {
  struct Case {
    std::string label;
    std::string attribute;
    Op op;
    double threshold;
    std::vector<std::string> values;
  };
  const Case cases[] = {
      {"  yes[case: outlook = sunny]", "outlook", Op::kEquals, 0, {"sunny"}},
      {"  no[case: humidity <= 75 ]", "humidity", Op::kLessEqual, 75, {}},
      {"  no[case: humidity > 1e-05 ][0.5,2]", "humidity", Op::kGreater, 1e-05, {}},
      {"  yes[case: Outlook in {sunny,rain}]", "Outlook", Op::kIn, 0, {"sunny", "rain"}},
      {"  yes[case: Outlook in {}]", "Outlook", Op::kIn, 0, {}},
      {" growth = 1.0 + 2.0 temp [case: soil in { loam, clay}]",
       "soil",
       Op::kIn,
       0,
       {"loam", "clay"}},
      {" Price = 12.5  [case: Color in { blue , yellow }]",
       "Color",
       Op::kIn,
       0,
       {"blue", "yellow"}},
      {"  light  [case: Age <= 35.500000]", "Age", Op::kLessEqual, 35.5, {}},
      {"  x[case: a-b = c = d]", "a-b", Op::kEquals, 0, {"c = d"}},
  };
  for (const Case& c : cases) {
    auto condition = ParseBranchCondition(c.label);
    ASSERT_TRUE(condition) << c.label;
    EXPECT_EQ(condition->attribute, c.attribute) << c.label;
    EXPECT_EQ(condition->op, c.op) << c.label;
    EXPECT_DOUBLE_EQ(condition->threshold, c.threshold) << c.label;
    EXPECT_EQ(condition->values, c.values) << c.label;
  }
  EXPECT_FALSE(ParseBranchCondition(" growth = 12.500000000000000 "));
  EXPECT_FALSE(ParseBranchCondition("  outlook "));
  EXPECT_FALSE(ParseBranchCondition("  x[case: broken"));
  EXPECT_EQ(NodeCaption("  yes[case: outlook = sunny]"), "yes");
  EXPECT_EQ(NodeCaption(" growth = 1.0 + 2.0 temp [case: soil in { loam, clay}]"),
            "growth = 1.0 + 2.0 temp");
  EXPECT_EQ(BranchText("  no[case: humidity > 75 ]"), "humidity > 75");
  // A subset value with a bracket in it does not end the annotation early.
  EXPECT_EQ(BranchText("  y[case: code in {a]b,c}]"), "code in {a]b,c}");
}

TEST(BranchCondition, MissingAndNonNumericValuesTakeNoBranch) {
  BranchCondition le{"humidity", Op::kLessEqual, 75, {}};
  EXPECT_TRUE(le.Admits("75"));
  EXPECT_TRUE(le.Admits(" 70.5 "));
  EXPECT_FALSE(le.Admits("75.01"));
  EXPECT_FALSE(le.Admits("?"));
  EXPECT_FALSE(le.Admits(""));
  EXPECT_FALSE(le.Admits("high"));
  BranchCondition in{"outlook", Op::kIn, 0, {"sunny", "rain"}};
  EXPECT_TRUE(in.Admits("rain"));
  EXPECT_FALSE(in.Admits("Rain"));
}

TreeFile Golf() {
  auto tree = ParseTreeText(
      "Decision tree\nRead  14.000000 cases, with 4  attributes.\n"
      "\n-->DISCRETE NODE:  outlook \nMOST FREQUENT CLASS: yes\nERROR: 5.0\nNUMBER OF ITEMS: 14"
      "\n| -->CONTINUOUS NODE: humidity  [case: outlook = sunny]\n  MOST FREQUENT CLASS: no\n  "
      "ERROR: 2.0\n  NUMBER OF ITEMS: 5"
      "\n| | -->LEAF:  yes[case: humidity <= 75 ]\n    MOST FREQUENT CLASS: yes\n    ERROR: 0.0\n  "
      "  NUMBER OF ITEMS: 2"
      "\n| | -->LEAF:  no[case: humidity > 75 ]\n    MOST FREQUENT CLASS: no\n    ERROR: 0.0\n    "
      "NUMBER OF ITEMS: 3"
      "\n| -->LEAF:  yes[case: outlook = overcast]\n  MOST FREQUENT CLASS: yes\n  ERROR: 0.0\n  "
      "NUMBER OF ITEMS: 4"
      "\n\n\nERROR = 0.000000\nErrors/N = 0.000000\n");
  EXPECT_TRUE(tree.ok()) << tree.status().message();
  return tree.value();
}

TEST(FollowCase, GoesDownTheBranchesTheValuesTake) {
  const TreeFile tree = Golf();
  EXPECT_EQ(TestedAttributes(tree), (std::vector<std::string>{"outlook", "humidity"}));
  auto follow = [&](std::map<std::string, std::string> values) {
    return FollowCase(tree, [&](const std::string& attribute) -> std::optional<std::string> {
      auto it = values.find(attribute);
      if (it == values.end()) return std::nullopt;
      return it->second;
    });
  };
  EXPECT_EQ(follow({{"outlook", "sunny"}, {"humidity", "90"}}), (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(follow({{"outlook", "overcast"}}), (std::vector<int>{0, 4}));
  // No branch for the value: the path ends where the case cannot go on.
  EXPECT_EQ(follow({{"outlook", "sunny"}, {"humidity", "?"}}), (std::vector<int>{0, 1}));
  EXPECT_EQ(follow({{"outlook", "fog"}}), (std::vector<int>{0}));
}

TEST(FollowCase, RegressionNodesPassEveryCaseOn) {
  auto tree = ParseTreeText(
      "Regression tree\nRead  5 cases, with 1  attributes.\n\n"
      "-->REGRESS NODE: y = 1.000000000000000 + 2.000000000000000 x\nMEAN: 1\nDEVIANCE: 0\nNUMBER "
      "OF ITEMS: 5\n"
      "| -->LEAF: y = 3.000000000000000 \n  MEAN: 1\n  DEVIANCE: 0\n  NUMBER OF ITEMS: "
      "5\n\n\nERROR = 0\n");
  ASSERT_TRUE(tree.ok()) << tree.status().message();
  EXPECT_TRUE(TestedAttributes(*tree).empty());
  EXPECT_EQ(FollowCase(*tree, [](const std::string&) { return std::nullopt; }),
            (std::vector<int>{0, 1}));
}

// What a case form offers: the values the branches name for a discrete attribute, subsets
// joined without repeats; none for an attribute tested against thresholds.
TEST(TestedAttributeValues, DiscreteAttributesCarryTheValuesTheirBranchesName) {
  const char* kLeaf = "\n    MEAN: 1\n    DEVIANCE: 0\n    NUMBER OF ITEMS: 1";
  auto tree = ParseTreeText(
      std::string("Regression tree\nRead  5 cases, with 2  attributes.\n\n"
                  "-->DISCRETE NODE: soil\nMEAN: 1\nDEVIANCE: 0\nNUMBER OF ITEMS: 5\n"
                  "| -->LEAF: y = 1.0 [case: soil in { loam, clay}]\n  MEAN: 1\n  DEVIANCE: 0\n"
                  "  NUMBER OF ITEMS: 3\n"
                  "| -->CONTINUOUS NODE: Age [case: soil in { sand , loam }]\n  MEAN: 1\n"
                  "  DEVIANCE: 0\n  NUMBER OF ITEMS: 2\n"
                  "| | -->LEAF: y = 2.0 [case: Age <= 35.500000]") +
      kLeaf + "\n| | -->LEAF: y = 3.0 [case: Age > 35.500000]" + kLeaf + "\n\n\nERROR = 0\n");
  ASSERT_TRUE(tree.ok()) << tree.status().message();
  const std::vector<TestedAttribute> attributes = TestedAttributeValues(*tree);
  ASSERT_EQ(attributes.size(), 2u);
  EXPECT_EQ(attributes[0].name, "soil");
  EXPECT_TRUE(attributes[0].discrete);
  EXPECT_EQ(attributes[0].values, (std::vector<std::string>{"loam", "clay", "sand"}));
  EXPECT_EQ(attributes[1].name, "Age");
  EXPECT_FALSE(attributes[1].discrete);
  EXPECT_TRUE(attributes[1].values.empty());
}

}  // namespace
}  // namespace quarry::treefiles
