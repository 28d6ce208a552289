#include "core/data/record_text.h"

#include <gtest/gtest.h>

namespace quarry {
namespace {

using Fields = std::vector<std::string>;

TEST(RecordText, QuotedFieldsEmptyStringsAndNulls) {
  Fields fields = {"left over", "from", "before", "x", "y", "z", "w"};
  ASSERT_TRUE(SplitRecordText(R"x((1,,"",a b,"x ""y"" \\z","(,)",?))x", 7, fields));
  EXPECT_EQ(fields, (Fields{"1", "?", "", "a b", "x \"y\" \\z", "(,)", "?"}));
  ASSERT_TRUE(SplitRecordText("()", 1, fields));
  EXPECT_EQ(fields, Fields{"?"});
  ASSERT_TRUE(SplitRecordText("(,)", 2, fields));
  EXPECT_EQ(fields, (Fields{"?", "?"}));
  ASSERT_TRUE(SplitRecordText("(\"\\\"\",\"\"\"\")", 2, fields));
  EXPECT_EQ(fields, (Fields{"\"", "\""}));
}

// A text that is not a row value of the expected width must be refused, never read as cells
// shifted into the wrong columns.
TEST(RecordText, MalformedOrOtherWidthIsRefused) {
  Fields fields;
  for (const char* text : {"(1,2)", "(1,2,3,4)", "1,2,3", "(1,2,3", "(1,\"2,3)", "(1,\"2\"x,3)",
                           "(1,2,\"3\\)", "", "(", ")"}) {
    EXPECT_FALSE(SplitRecordText(text, 3, fields)) << text;
  }
  EXPECT_FALSE(SplitRecordText("()", 0, fields));
}

}  // namespace
}  // namespace quarry
