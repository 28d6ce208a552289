#include <gtest/gtest.h>

#include "tests/cli/cli_fixture.h"

namespace quarry {
namespace {

class AdviseCliTest : public testing::CliFixture {};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST_F(AdviseCliTest, SaysTheAdviceForATrainingTable) {
  const auto run = Run({"advise", "--table", "wave_data"});
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u) << run.out;
  EXPECT_EQ(lines[0], "Dataset wave_data.");
  EXPECT_NE(lines[1].find("The most frequent class covers "), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2].rfind("Hence, If you want an induced tree with a great accuracy, the "
                           "appropriate pruning algorithm is: ",
                           0),
            0u)
      << lines[2];
  EXPECT_EQ(lines[3].rfind("If you want induce a simple tree I suggest: ", 0), 0u) << lines[3];
  EXPECT_EQ(lines[4],
            "Remember an accurated tree is probably complex to understand, but a simple tree "
            "probably has some lacks in predicitivity.");
  // The sample tables are gone and the user's tables untouched.
  const auto tables = Run({"tables"});
  EXPECT_EQ(tables.out.find("QuarryModelSample"), std::string::npos) << tables.out;
}

TEST_F(AdviseCliTest, ATableThatIsNotForTrainingGetsTheSplittingAdvice) {
  const auto run = Run({"advise", "--table", "golf_test"});
  EXPECT_EQ(run.exitCode, 1);
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0],
            "You may select a _data table; Make sure Dataset has been properly split into at "
            "least one _data and _test table.");
  EXPECT_EQ(lines[2],
            "For pruning Methods utilizing an indipendent pruning set, I suggest: 49% of the "
            "dataset for the growing set, 21 % for the pruning set, 30% for the test set.");
  EXPECT_NE(run.err.find("must contain _data"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quarry
