#include "core/advisor/support_files.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/advisor/advice_speech.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

TEST(SupportInput, FactsInTheFixedWidthForm) {
  EXPECT_EQ(SupportInputText(3.2f, 64.285714f),
            "//The measures below were extracted by QUARRY and are read by counsel.\n"
            "modelVariance( 3.2000). responseClassModeFrequency(64.2857). ");
  const std::string wide = SupportInputText(0.0f, 100.0f);
  EXPECT_EQ(wide.substr(wide.find('\n') + 1),
            "modelVariance( 0.0000). responseClassModeFrequency(100.0000). ");
}

TEST(SupportInput, WrittenWholeIntoTheCounselFolder) {
  testing::TempFolder folder;
  ASSERT_TRUE(WriteSupportInput(1.5f, 50.0f).ok());
  EXPECT_EQ(testing::FileText(folder.path() / "counsel" / "SupportSystemInputs.txt"),
            SupportInputText(1.5f, 50.0f));
}

struct OutputCase {
  const char* name;
  std::string file;
  std::string simple;
  std::string accurate;
  std::string commentary;
};

class SupportOutputLines : public ::testing::TestWithParam<OutputCase> {};

TEST_P(SupportOutputLines, FollowTheLineRules) {
  testing::TempFolder folder;
  const auto path = folder.path() / "out.txt";
  std::ofstream(path, std::ios::binary) << GetParam().file;
  SupportOutput output;
  ASSERT_TRUE(ReadSupportOutput(path, output).ok());
  EXPECT_EQ(output.simpleTreeAdvice, GetParam().simple);
  EXPECT_EQ(output.accurateTreeAdvice, GetParam().accurate);
  EXPECT_EQ(output.commentary, GetParam().commentary);
}

const std::string kLong(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Files, SupportOutputLines,
    ::testing::Values(
        OutputCase{"ThreeLines", "title\nsimple\naccurate\n", "simple\n", "accurate\n", ""},
        OutputCase{"ThreeLinesNoFinalLineEnd", "title\nsimple\naccurate", "simple\n", "accurate",
                   ""},
        OutputCase{"Whole", "t\ns\na\nWhy:\none\ntwo\n", "s\n", "a\n", "one\ntwo\n"},
        OutputCase{"LastCommentaryLineUnended", "t\ns\na\nWhy:\none\ntwo", "s\n", "a\n", "one\n"},
        OutputCase{"OneLine", "title\n", "", "", ""}, OutputCase{"Empty", "", "", "", ""},
        // A line longer than one read stays one line: the layout never shifts.
        OutputCase{"LongLines", "t\n" + kLong + "\na\nWhy:\n" + kLong + "\n", kLong + "\n", "a\n",
                   kLong + "\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SupportOutput, MissingFileIsAFailure) {
  testing::TempFolder folder;
  SupportOutput output;
  EXPECT_EQ(ReadSupportOutput(folder.path() / "none.txt", output).code(), StatusCode::kNotFound);
}

TEST(AdviceSpeech, TagsAreStrippedAndOnlyTags) {
  EXPECT_EQ(StripSpeechTags("If you want induce a  \\emp\\  simple tree\\pau=1000\\"),
            "If you want induce a    simple tree");
  // Backslashes that are not tags stay.
  EXPECT_EQ(StripSpeechTags("a\\pau=\\b\\pau=12x\\c\\em\\"), "a\\pau=\\b\\pau=12x\\c\\em\\");
  EXPECT_EQ(DisplaySpeech(" \\pau=150\\ Hence,\n the  \\emp\\ method\n. \\pau=1100\\"),
            "Hence, the method .");
  EXPECT_EQ(DisplaySpeech(NoTableSpeech()[0]),
            "No dataset selected.. You may select a dataset, to have a support on type of pruning "
            "algorithm to utilize.");
}

}  // namespace
}  // namespace quarry
