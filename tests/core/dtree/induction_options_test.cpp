#include "core/dtree/induction_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quarry::dtree {
namespace {

TEST(InductionOptions, EachOptionIsPrintedAsItIsRead) {
  InductionOptions options;
  std::ostringstream report;
  ASSERT_TRUE(
      ParseInductionOptions({"quarry", "-f", "golf_data", "-gsup", "-c", "0.1", "-m3", "-v", "2"},
                            options, report)
          .ok());
  EXPECT_EQ(report.str(),
            "\n    Options:\n"
            "\tFile stem <golf_data>\n"
            "\tGain criterion used\n"
            "\tTests on discrete attribute groups\n"
            "\tTrees evaluated on unseen cases\n"
            "\tProbability thresholds used\n"
            "\tPruning confidence level 0.1%\n"
            "\tSensible test requires 2 branches with >=3 cases\n"
            "\tVerbosity level 2\n");
  EXPECT_EQ(options.FileName, "golf_data");
  EXPECT_FALSE(options.GAINRATIO);
  EXPECT_TRUE(options.SUBSET && options.UNSEENS && options.PROBTHRESH && options.BATCH);
  EXPECT_FLOAT_EQ(options.CF, 0.1f);
  EXPECT_EQ(options.MINOBJS, 3);
}

TEST(InductionOptions, WindowingOptionsSwitchBatchModeOff) {
  InductionOptions options;
  std::ostringstream report;
  ASSERT_TRUE(ParseInductionOptions({"quarry", "-t", "5", "-w", "200", "-i", "40", "-R", "-M", "x"},
                                    options, report)
                  .ok());
  EXPECT_FALSE(options.BATCH);
  EXPECT_EQ(options.TRIALS, 5);
  EXPECT_EQ(options.WINDOW, 200);
  EXPECT_EQ(options.INCREMENT, 40);
  EXPECT_NE(
      report.str().find("\tWindowing enabled with 5 trials\n\tInitial window size of 200 items\n"),
      std::string::npos);
  // The dialog's default fields: 0 leaves the window and its increment to be computed.
  ASSERT_TRUE(
      ParseInductionOptions({"quarry", "-w", "0", "-t", "10", "-i", "0"}, options, report).ok());
  EXPECT_FALSE(options.BATCH);
  EXPECT_EQ(options.WINDOW, 0);
  EXPECT_EQ(options.INCREMENT, 0);
}

struct BadVector {
  std::vector<std::string> args;
  std::string reportEnd;
};

class InductionOptionsRefuse : public ::testing::TestWithParam<BadVector> {};

TEST_P(InductionOptionsRefuse, EndingTheJobWithTheMessage) {
  InductionOptions options;
  std::ostringstream report;
  const Status status = ParseInductionOptions(GetParam().args, options, report);
  EXPECT_EQ(status.code(), StatusCode::kFatal);
  const std::string text = report.str();
  ASSERT_GE(text.size(), GetParam().reportEnd.size());
  EXPECT_EQ(text.substr(text.size() - GetParam().reportEnd.size()), GetParam().reportEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, InductionOptionsRefuse,
    ::testing::Values(BadVector{{"quarry"}, " "}, BadVector{{"quarry", "-x"}, "unknown option\n"},
                      BadVector{{"quarry", "-f", "t", "extra"}, "unknown option\n"},
                      BadVector{{"quarry", "-m"}, "unknown option\n"},
                      BadVector{{"quarry", "-m", "0"}, ">=0 cases\n\t** illegal value **\n"},
                      BadVector{{"quarry", "-m", "abc"}, "\t** illegal value **\n"},
                      BadVector{{"quarry", "-t", "10001"}, "\t** illegal value **\n"},
                      BadVector{{"quarry", "-w", "abc"}, "\t** illegal value **\n"},
                      BadVector{{"quarry", "-i", "-3"}, "\t** illegal value **\n"},
                      BadVector{{"quarry", "-i", "1000001"}, "\t** illegal value **\n"},
                      // The confidence is a fraction: 25 (meaning 25%) or 0 would run the error
                      // estimates off their table.
                      BadVector{{"quarry", "-c", "25"}, "level 25%\n\t** illegal value **\n"},
                      BadVector{{"quarry", "-c", "0"}, "\t** illegal value **\n"}));

}  // namespace
}  // namespace quarry::dtree
