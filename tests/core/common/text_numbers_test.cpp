#include "core/common/text_numbers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarry {
namespace {

// Texts numbered in the order they first come, through many growths of the table: every later
// copy gets its number, a text never seen none, and the texts kept stay where they were.
TEST(TextNumbers, EachTextKeepsTheNumberItFirstGot) {
  std::vector<std::string> texts = {"",   std::string(1, '\0'), std::string("a\0b", 3), "a", "A",
                                    "a ", std::string(300, 'x')};
  for (int i = 0; i < 3000; ++i) texts.push_back("v" + std::to_string(i));
  TextNumbers numbers(1);
  const std::string* firstKept = nullptr;
  for (size_t k = 0; k < texts.size(); ++k) {
    ASSERT_EQ(numbers.Number(texts[k]), static_cast<int32_t>(k) + 1) << k;
    if (k == 0) firstKept = &numbers.Text(0);
    ASSERT_EQ(numbers.Number(texts[k / 2]), static_cast<int32_t>(k / 2) + 1) << k;
  }
  ASSERT_EQ(numbers.size(), texts.size());
  EXPECT_EQ(&numbers.Text(0), firstKept);
  for (size_t k = 0; k < texts.size(); ++k) {
    ASSERT_EQ(numbers.Find(texts[k]), static_cast<int32_t>(k) + 1) << k;
    ASSERT_EQ(numbers.Text(k), texts[k]) << k;
  }
  for (const std::string& unseen : {std::string("b"), std::string("v3000"), std::string("a\0", 2)})
    EXPECT_EQ(numbers.Find(unseen), 0) << unseen;
  EXPECT_EQ(TextNumbers(5).Find("a"), 4);
}

}  // namespace
}  // namespace quarry
