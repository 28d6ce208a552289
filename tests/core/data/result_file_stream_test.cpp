#include "core/data/result_file_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/file_text.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

namespace fs = std::filesystem;

TEST(ResultFileStream, TextLargerThanSeveralChunksArrivesWholeAndInOrder) {
  testing::TempFolder folder;
  const fs::path path = folder.path() / "big.rules";
  std::string expected;
  {
    ResultFileStream stream(path);
    std::string text;
    for (int piece = 0; expected.size() < 3 * ResultFileStream::kChunk; ++piece) {
      const std::string line = "rule " + std::to_string(piece) + std::string(700, '.') + "\n";
      text += line;
      expected += line;
      stream.Drain(text);
      EXPECT_LT(text.size(), ResultFileStream::kChunk);
      EXPECT_FALSE(fs::exists(path)) << "the name is taken only when finished";
    }
    text += "end\n";
    expected += "end\n";
    ASSERT_TRUE(stream.Finish(text).ok());
  }
  EXPECT_EQ(testing::FileText(path), expected);
  EXPECT_FALSE(fs::exists(folder.path() / "big.rules.part"));
}

TEST(ResultFileStream, AnUnfinishedOrFailedStreamLeavesNothingAndKeepsTheOldFile) {
  testing::TempFolder folder;
  const fs::path path = folder.path() / "t.tree";
  std::ofstream(path) << "the last run's tree";
  {
    ResultFileStream stream(path);
    std::string text(ResultFileStream::kChunk + 10, 'x');
    stream.Drain(text);  // a job stopped half way
  }
  EXPECT_EQ(testing::FileText(path), "the last run's tree");
  EXPECT_FALSE(fs::exists(folder.path() / "t.tree.part"));

  const fs::path blocked = path / "below_a_file.tree";  // its folder is a file
  ResultFileStream stream(blocked);
  std::string text = "text";
  const Status status = stream.Finish(text);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("cannot write " + blocked.string()), std::string::npos);
}

}  // namespace
}  // namespace quarry
