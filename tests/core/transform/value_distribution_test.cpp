#include "core/transform/value_distribution.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/common/number_text.h"
#include "core/transform/column_choice.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

class ValueDistributionTest : public testing::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    MakeTable("t", {"n", "s"}, {"integer", "string"},
              {{"1", "a"}, {"1", "?"}, {"2", "a"}, {"?", "b"}, {"1", "a"}, {"2", "?"}});
  }
};

TEST_F(ValueDistributionTest, ValuesAreNumberedAndIncludeTheMissingValue) {
  auto values = ValueDistribution(source_, "t", "s", false);
  ASSERT_TRUE(values.ok()) << values.status().message();
  EXPECT_EQ(values->header, (std::vector<std::string>{"Value"}));
  ASSERT_EQ(values->rows.size(), 3u);
  std::vector<std::string> seen;
  for (const ValueRow& row : values->rows) seen.push_back(row.value);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"?", "a", "b"}));
  EXPECT_EQ(values->rows[0].label, "Value 1");
  EXPECT_EQ(values->rows[2].label, "Value 3");
}

// An integer count divided by an integer row count must not come out as 0.
TEST_F(ValueDistributionTest, ProbabilitiesAreFractionsThatAddUpToOne) {
  auto values = ValueDistribution(source_, "t", "n", true);
  ASSERT_TRUE(values.ok()) << values.status().message();
  EXPECT_EQ(values->header, (std::vector<std::string>{"Value", "Probability"}));
  double sum = 0;
  for (const ValueRow& row : values->rows) {
    const double p = ParseNumber(row.probability).value_or(-1);
    EXPECT_GT(p, 0.0) << row.value;
    sum += p;
    if (row.value == "1") {
      EXPECT_DOUBLE_EQ(p, 0.5);
    }
    if (row.value == "?") {
      EXPECT_NEAR(p, 1.0 / 6, 1e-12);
    }
  }
  EXPECT_NEAR(sum, 1.0, 1e-12);
  EXPECT_EQ(values->rows.size(), 3u);
}

TEST_F(ValueDistributionTest, EmptyTablesAndMissingColumns) {
  MakeTable("e", {"x"}, {"real"}, {});
  auto values = ValueDistribution(source_, "e", "x", true);
  ASSERT_TRUE(values.ok());
  EXPECT_TRUE(values->rows.empty());
  EXPECT_EQ(ValueDistribution(source_, "t", "nope", false).status().message(), kSelectField);
}

}  // namespace
}  // namespace quarry
