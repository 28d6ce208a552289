#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "core/advisor/support_files.h"
#include "counsel/advice_exchange.h"
#include "tests/support/cli_runner.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_database.h"

namespace counsel {
namespace {

using quarry::testing::FileText;

std::vector<Clause> ShippedRules() {
  std::vector<Clause> rules;
  std::string error;
  EXPECT_TRUE(ParseClauses(FileText(COUNSEL_RULES), "pruning_advice.txt", rules, error)) << error;
  return rules;
}

TEST(CounselInput, ReadsWhatTheWorkbenchWrites) {
  Measures measures;
  std::string error;
  ASSERT_TRUE(ParseMeasures(quarry::SupportInputText(3.25f, 64.2857f), measures, error)) << error;
  EXPECT_DOUBLE_EQ(measures.modelVariance, 3.25);
  EXPECT_NEAR(measures.responseClassModeFrequency, 64.2857, 1e-9);
  // Numbers wider than the field and the facts in either order.
  ASSERT_TRUE(ParseMeasures("responseClassModeFrequency(100.0000).\nmodelVariance(12345.5000).",
                            measures, error))
      << error;
  EXPECT_DOUBLE_EQ(measures.modelVariance, 12345.5);
}

TEST(CounselInput, RefusesAnythingButTheTwoMeasures) {
  for (const char* text : {
           "modelVariance(1).",                                                   // one missing
           "modelVariance(1). modelVariance(2). responseClassModeFrequency(3).",  // twice
           "modelVariance(x). responseClassModeFrequency(3).",                    // not a number
           "modelVariance(1). responseClassModeFrequency(3). extra(4).",          // unknown fact
           "modelVariance(1, 2). responseClassModeFrequency(3).",                 // arity
           "modelVariance(1) :- true. responseClassModeFrequency(3).",            // a rule
           "modelVariance(1). responseClassModeFrequency(3",                      // cut short
           "",
       }) {
    Measures measures;
    std::string error;
    EXPECT_FALSE(ParseMeasures(text, measures, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

struct AdviceCase {
  double variance;
  double frequency;
  const char* simple;
  const char* accurate;
};

class ShippedAdvice : public ::testing::TestWithParam<AdviceCase> {};

// The levels change at variance 1 and 10 and at frequency 60 and 90.
TEST_P(ShippedAdvice, NamesMethodsOfTheMenuAndExplainsThem) {
  const AdviceCase& c = GetParam();
  Advice advice;
  std::string error;
  ASSERT_TRUE(ConsultRules(ShippedRules(), {c.variance, c.frequency}, advice, error)) << error;
  EXPECT_EQ(advice.simpleTree, c.simple);
  EXPECT_EQ(advice.accurateTree, c.accurate);
  // One line on each measure with its value and its reading, and one reason per advice.
  ASSERT_EQ(advice.commentary.size(), 6u);
  EXPECT_NE(advice.commentary[0].find(NumberText(c.variance)), std::string::npos);
  EXPECT_NE(advice.commentary[2].find(NumberText(c.frequency) + "%"), std::string::npos);
  EXPECT_NE(advice.commentary[4].find(c.simple), std::string::npos);
  EXPECT_NE(advice.commentary[5].find(c.accurate), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Measures, ShippedAdvice,
    ::testing::Values(AdviceCase{0, 50, "Reduced Error Pruning", "Standard Prune"},
                      AdviceCase{0.9999, 59.99, "Reduced Error Pruning", "Standard Prune"},
                      AdviceCase{1, 60, "Reduced Error Pruning", "Standard Prune"},
                      AdviceCase{9.99, 89.99, "Reduced Error Pruning", "Standard Prune"},
                      AdviceCase{10, 50, "Error complexity pruning with test set and 1SE rule",
                                 "Error Complexity Pruning with CV"},
                      AdviceCase{250, 90, "Error complexity pruning with test set and 1SE rule",
                                 "Pessimistic Error Pruning"},
                      AdviceCase{0, 100, "Reduced Error Pruning", "Pessimistic Error Pruning"}));

TEST(ShippedAdvice, EveryLevelOfEachMeasureHasItsOwnReading) {
  std::set<std::string> readings;
  for (double variance : {0.0, 5.0, 50.0}) {
    for (double frequency : {30.0, 75.0, 95.0}) {
      Advice advice;
      std::string error;
      ASSERT_TRUE(ConsultRules(ShippedRules(), {variance, frequency}, advice, error)) << error;
      readings.insert(advice.commentary[1]);
      readings.insert(advice.commentary[3]);
    }
  }
  EXPECT_EQ(readings.size(), 6u);
}

TEST(CounselRules, MustAnswerAndMayNotStateTheMeasures) {
  std::vector<Clause> rules;
  std::string error;
  ASSERT_TRUE(
      ParseClauses("simpleTree(\"A\") :- modelVariance(V), V > 5.\n"
                   "accurateTree([\"B \", 2]).\n",
                   "r", rules, error));
  Advice advice;
  EXPECT_FALSE(ConsultRules(rules, {1, 50}, advice, error));
  EXPECT_NE(error.find("simpleTree"), std::string::npos) << error;
  ASSERT_TRUE(ConsultRules(rules, {6, 50}, advice, error)) << error;
  EXPECT_EQ(advice.accurateTree, "B 2");
  EXPECT_TRUE(advice.commentary.empty());

  rules.clear();
  ASSERT_TRUE(ParseClauses("simpleTree(a). accurateTree(b). modelVariance(0).", "r", rules, error));
  EXPECT_FALSE(ConsultRules(rules, {1, 50}, advice, error));
  EXPECT_NE(error.find("measured"), std::string::npos) << error;
}

TEST(CounselOutput, KeepsTheLineLayoutWhateverTheTexts) {
  Advice advice{"simple\nmethod", "accurate", {"first\rline", "second"}};
  advice.simpleTree = "simple method";
  const std::string text = FormatAdvice({2, 80}, advice);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "simple method");
  EXPECT_EQ(lines[2], "accurate");
  EXPECT_EQ(lines[5], "second");
  EXPECT_EQ(text.back(), '\n');
}

// The program as the workbench starts it: its own path as its only argument.
class CounselProgram : public ::testing::Test {
 protected:
  void WriteInput(const std::string& text) {
    std::filesystem::create_directories(folder_.path() / "counsel");
    std::ofstream(folder_.path() / "counsel" / "SupportSystemInputs.txt") << text;
  }
  quarry::testing::CliRun Run() {
    return quarry::testing::RunCli(COUNSEL_PROGRAM, {COUNSEL_PROGRAM});
  }
  std::filesystem::path Output() const { return folder_.path() / "SupportSystemOutputs.txt"; }

  quarry::testing::TempFolder folder_;
};

TEST_F(CounselProgram, AnswersTheWorkbenchInTheLineLayout) {
  WriteInput(quarry::SupportInputText(12.5f, 95.0f));
  const auto run = Run();
  ASSERT_EQ(run.exitCode, 0) << run.err;
  quarry::SupportOutput output;
  ASSERT_TRUE(quarry::ReadSupportOutput(Output(), output).ok());
  EXPECT_EQ(output.simpleTreeAdvice, "Error complexity pruning with test set and 1SE rule\n");
  EXPECT_EQ(output.accurateTreeAdvice, "Pessimistic Error Pruning\n");
  EXPECT_NE(output.commentary.find("12.5."), std::string::npos) << output.commentary;
  EXPECT_NE(output.commentary.find("95%"), std::string::npos) << output.commentary;
  // Nothing but the answer is left in the folder.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST_F(CounselProgram, MalformedInputWritesNothing) {
  WriteInput("//measures\nmodelVariance( 1.0000). responseClassModeFrequency(");
  const auto run = Run();
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.find("SupportSystemInputs.txt"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(Output()));

  std::filesystem::remove(folder_.path() / "counsel" / "SupportSystemInputs.txt");
  EXPECT_NE(Run().exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(Output()));
}

}  // namespace
}  // namespace counsel
