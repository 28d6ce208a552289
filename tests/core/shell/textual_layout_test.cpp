#include "core/shell/textual_layout.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/shell/scratch_copy.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

class TextualLayoutTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = folder_.path() / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string Lines(int from, int to, const std::string& between = "") {
    std::string text;
    for (int i = from; i <= to; ++i) text += "line " + std::to_string(i) + "\n" + between;
    return text;
  }

  testing::TempFolder folder_;
};

TEST_F(TextualLayoutTest, EmptyLinesTakeNoRoom) {
  auto layout = LayoutTextualLines(Write("a.tree", "\nDecision tree\n\n\r\n  \nx\r\nlast"));
  ASSERT_TRUE(layout.ok());
  EXPECT_EQ(layout->lines, (std::vector<std::string>{"Decision tree", "  ", "x", "last"}));
  EXPECT_FALSE(layout->continued);
  EXPECT_EQ(layout->TotalHeight(), 5 * 12);
}

TEST_F(TextualLayoutTest, StopsAtTheLineThatWouldReachTheLimit) {
  // Blank lines between the numbered ones must not count towards the limit.
  auto layout = LayoutTextualLines(Write("big.rules", Lines(1, 6000, "\n")));
  ASSERT_TRUE(layout.ok());
  ASSERT_EQ(layout->lines.size(), 4999u);
  EXPECT_EQ(layout->lines.back(), "line 4999");
  EXPECT_TRUE(layout->continued);
  // Nothing to continue when only empty lines remain.
  auto exact = LayoutTextualLines(Write("exact.tree", Lines(1, 4999) + "\n\n\n"));
  ASSERT_TRUE(exact.ok());
  EXPECT_EQ(exact->lines.size(), 4999u);
  EXPECT_FALSE(exact->continued);
}

TEST_F(TextualLayoutTest, MissingFileIsAnIoError) {
  EXPECT_EQ(LayoutTextualLines(folder_.path() / "none.tree").status().code(), StatusCode::kIo);
}

TEST_F(TextualLayoutTest, ScratchCopyEndsEveryLineAndGoesAwayWithItsOwner) {
  const auto source = Write("doc.tree", "a\r\nb\n\nc");
  std::filesystem::path copied;
  {
    auto copy = ScratchCopy::Make(source, kDocumentScratchName);
    ASSERT_TRUE(copy.ok()) << copy.status().message();
    copied = copy->path();
    EXPECT_EQ(copied, folder_.path() / kDocumentScratchName);
    EXPECT_EQ(testing::FileText(copied), "a\r\nb\n\nc\n");
    ScratchCopy moved = std::move(copy.value());
    EXPECT_TRUE(std::filesystem::exists(copied));
  }
  EXPECT_FALSE(std::filesystem::exists(copied));
}

TEST_F(TextualLayoutTest, ScratchCopyOfItselfKeepsTheFile) {
  const auto scratch = Write(kDocumentScratchName, "keep me\n");
  EXPECT_FALSE(ScratchCopy::Make(scratch, kDocumentScratchName).ok());
  auto layout = LayoutTextualLines(scratch);
  ASSERT_TRUE(layout.ok());
  EXPECT_EQ(layout->lines, std::vector<std::string>{"keep me"});
  EXPECT_FALSE(ScratchCopy::Make(folder_.path() / "missing.txt", kViewScratchName).ok());
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / kViewScratchName));
}

}  // namespace
}  // namespace quarry
