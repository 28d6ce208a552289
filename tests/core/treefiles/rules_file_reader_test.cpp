#include "core/treefiles/rules_file_reader.h"

#include <gtest/gtest.h>

namespace quarry::treefiles {
namespace {

// Decision rules as the engine writes them: each block opens with "\n", conditions are written
// with "%s " after their prefixes, and the conclusion has no line end of its own.
constexpr std::string_view kDecisionRules =
    "Decision Tree\n"
    "Read  14.000000 cases, with 4  attributes.\n\n"
    "\n-->  Rules1:\n"
    "             Number of cases: 2\n"
    "             MOST FREQUENT CLASS: yes\n"
    "             ERROR: 0.0\n"
    "     IF\n             outlook = sunny  AND\n              humidity <= 70.0000000000 "
    "\n     THEN\n            play = yes"
    "\n-->  Rules2:\n"
    "             Number of cases: 4\n"
    "             MOST FREQUENT CLASS: yes\n"
    "             ERROR: 0.0\n"
    "     IF\n             outlook in {overcast,rain} "
    "\n     THEN\n            play = yes"
    "\n\n\nERROR = 0.000000\nErrors/N = 0.000000\n";

constexpr std::string_view kModelRules =
    "Regression Tree\n"
    "Read  30 cases, with 3  attributes.\n\n"
    "\n-->  Rule1:\n"
    "             Number of cases: 12\n"
    "             Mean: 12.500000\n"
    "             Deviance: 1.000000\n"
    "     IF\n             ( + 1.00000 * Age ) <= 35.50000 "
    "\n     THEN\n             Price = 12.500000 "
    "\n-->  Rule2:\n"
    "             Number of cases: 18\n"
    "             Mean: 14.000000\n"
    "             Deviance: 2.000000\n"
    "     IF\n             ( + 1.00000 * Age ) > 35.50000  AND\n"
    "             Color not in { red, green } "
    "\n     THEN\n             Price = 0.500000  + 1.000000 * Rooms ";

TEST(RulesFileReader, ParsesDecisionRules) {
  auto rules = ParseRulesText(kDecisionRules);
  ASSERT_TRUE(rules.ok()) << rules.status().message();
  EXPECT_EQ(rules->kind, TreeKind::kDecisionTree);
  ASSERT_EQ(rules->rules.size(), 2u);
  const RuleRecord& first = rules->rules[0];
  EXPECT_EQ(first.number, 1);
  EXPECT_EQ(first.title, "Rules1");
  EXPECT_EQ(first.cases, "2");
  EXPECT_EQ(first.detail1, "yes");
  EXPECT_EQ(first.detail2, "0.0");
  EXPECT_EQ(first.conditions,
            (std::vector<std::string>{"outlook = sunny", "humidity <= 70.0000000000"}));
  EXPECT_EQ(first.conclusion, "play = yes");
  EXPECT_EQ(first.lines.size(), 5u);
  EXPECT_EQ(rules->rules[1].conditions, (std::vector<std::string>{"outlook in {overcast,rain}"}));
  const RuleTableRow row = RuleRow(first);
  EXPECT_EQ(row.conditions, "outlook = sunny AND humidity <= 70.0000000000");
  EXPECT_EQ(row.conclusion, "play = yes");
  EXPECT_EQ(row.cases, 2);
  EXPECT_EQ(row.error, 0);
  EXPECT_EQ(rules->summary, (std::vector<std::string>{"ERROR = 0.000000", "Errors/N = 0.000000"}));
}

TEST(RulesFileReader, ParsesModelRulesBeforeTheJobAppendsItsSummary) {
  auto rules = ParseRulesText(kModelRules);
  ASSERT_TRUE(rules.ok()) << rules.status().message();
  EXPECT_EQ(rules->kind, TreeKind::kModelTree);
  ASSERT_EQ(rules->rules.size(), 2u);
  EXPECT_EQ(rules->rules[1].title, "Rule2");
  EXPECT_EQ(rules->rules[1].detail1, "14.000000");
  EXPECT_EQ(rules->rules[1].conditions, (std::vector<std::string>{"( + 1.00000 * Age ) > 35.50000",
                                                                  "Color not in { red, green }"}));
  EXPECT_EQ(rules->rules[1].conclusion, "Price = 0.500000  + 1.000000 * Rooms");
  EXPECT_EQ(RuleRow(rules->rules[1]).cases, 18);
  EXPECT_EQ(RuleRow(rules->rules[1]).error, 2);  // the deviance
  EXPECT_TRUE(rules->summary.empty());
  EXPECT_STREQ(RulesFile::StatisticCaption(rules->kind, 2), "DEVIANCE");
}

TEST(RulesFileReader, ARuleWithoutConditions) {
  auto rules = ParseRulesText(
      "Decision Tree\nRead  3.000000 cases, with 1  attributes.\n\n"
      "\n-->  Rules1:\n             Number of cases: 3\n             MOST FREQUENT CLASS: a\n"
      "             ERROR: 1.0\n     IF\n     THEN\n            c = a"
      "\n\n\nERROR = 1.000000\nErrors/N = 0.333333\n");
  ASSERT_TRUE(rules.ok());
  EXPECT_TRUE(rules->rules[0].conditions.empty());
  EXPECT_TRUE(RuleRow(rules->rules[0]).conditions.empty());
  EXPECT_EQ(rules->rules[0].conclusion, "c = a");
}

TEST(RulesFileReader, WrapsLongLinesForDisplay) {
  RuleRecord rule;
  rule.lines = {"     IF", std::string(13, ' ') + std::string(120, 'x')};
  auto lines = RuleDisplayLines(rule);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], std::string(13, ' ') + std::string(44, 'x'));
  EXPECT_EQ(lines[2], std::string(13, ' ') + std::string(57, 'x'));
  EXPECT_EQ(lines[3], std::string(13, ' ') + std::string(133 - 2 * 57, 'x'));
}

class RulesFileRejects : public ::testing::TestWithParam<std::string> {};

TEST_P(RulesFileRejects, WithTheViewersMessage) {
  auto rules = ParseRulesText(GetParam());
  ASSERT_FALSE(rules.ok());
  EXPECT_EQ(rules.status().message(), kBadTreeFileFormat);
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, RulesFileRejects,
    ::testing::Values("", "Decision Tree",
                      "Decision tree\n" + std::string(kDecisionRules.substr(14)),
                      std::string(kDecisionRules.substr(0, kDecisionRules.find("     THEN"))),
                      std::string(kModelRules).replace(kModelRules.find("Mean"), 4, "MEAN"),
                      std::string(kDecisionRules).replace(kDecisionRules.find("  AND"), 5, ""),
                      "Regression Tree\nRead  1 cases, with 1  attributes.\n\n"));

}  // namespace
}  // namespace quarry::treefiles
