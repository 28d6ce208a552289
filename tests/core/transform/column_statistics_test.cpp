#include "core/transform/column_statistics.h"

#include <gtest/gtest.h>

#include "core/transform/column_choice.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

class ColumnStatisticsTest : public testing::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    MakeTable("four", {"x"}, {"real"}, {{"3"}, {"1"}, {"4"}, {"2"}});
    MakeTable("five", {"x"}, {"integer"}, {{"50"}, {"10"}, {"40"}, {"30"}, {"20"}});
    MakeTable("one", {"x"}, {"real"}, {{"7"}});
    MakeTable("empty", {"x", "s"}, {"real", "string"}, {});
    MakeTable("m", {"x", "y", "z", "c", "s"}, {"real", "real", "real", "real", "string"},
              {{"2", "-4", "1", "5", "red"},
               {"4", "-8", "2", "5", "red"},
               {"4", "-8", "?", "5", "blue"},
               {"4", "-8", "3", "5", "?"},
               {"5", "-10", "9", "5", "red"},
               {"5", "-10", "1", "5", "green"},
               {"7", "-14", "1", "5", "blue"},
               {"9", "-18", "1", "5", "?"}});
  }
};

// Each figure as the dialog shows it: missing values are no values, a median of an even count
// shows its two middle values, and what cannot be computed says so.
TEST_F(ColumnStatisticsTest, FiguresAsTheyAreShown) {
  MakeTable("tied", {"n", "s"}, {"integer", "string"},
            {{"9", "pear"},
             {"?", "?"},
             {"10", "apple"},
             {"9", "?"},
             {"2", "pear"},
             {"?", "?"},
             {"10", "apple"},
             {"2", "fig"},
             {"?", "fig"}});
  struct Case {
    const char* table;
    const char* column;
    Statistic statistic;
    const char* with;
    std::string expected;
  } cases[] = {
      {"four", "x", Statistic::kMedian, "", "2 - 3"},
      {"five", "x", Statistic::kMedian, "", "30"},
      {"one", "x", Statistic::kMedian, "", kMedianNotAvailable},
      {"empty", "x", Statistic::kMedian, "", kMedianNotAvailable},
      {"m", "z", Statistic::kMedian, "", "1"},  // known values 1 1 1 1 2 3 9
      {"m", "s", Statistic::kMedian, "", "green - red"},
      {"four", "x", Statistic::kMissingValues, "", "0"},
      {"m", "s", Statistic::kMissingValues, "", "2"},
      {"m", "s", Statistic::kValueNumber, "", "4"},  // red, blue, green and the missing value
      {"empty", "x", Statistic::kValueNumber, "", "0"},
      {"four", "x", Statistic::kAverage, "", "2.5"},
      {"five", "x", Statistic::kMin, "", "10"},
      {"five", "x", Statistic::kMax, "", "50"},
      {"m", "s", Statistic::kMax, "", "red"},
      {"empty", "x", Statistic::kMin, "", kNotAvailable},
      {"empty", "x", Statistic::kAverage, "", kNotAvailable},
      {"m", "s", Statistic::kMode, "", "red"},
      {"empty", "s", Statistic::kMode, "", kModeNotAvailable},
      // Tied groups come in no promised order: the largest is the mode, numbers ordered as
      // numbers ("10", not "9"); the missing values, however many, count for nothing.
      {"tied", "n", Statistic::kMode, "", "10"},
      {"tied", "s", Statistic::kMode, "", "pear"},
      {"m", "c", Statistic::kMode, "", "5"},
      // Divided by the known count less one: sqrt(32 / 7); z's missing value takes no part.
      {"m", "x", Statistic::kStDeviation, "", "2.13809"},
      {"five", "x", Statistic::kStDeviation, "", "15.81139"},
      {"m", "z", Statistic::kStDeviation, "", "2.93582"},
      {"one", "x", Statistic::kStDeviation, "", kNotAvailable},
      {"m", "x", Statistic::kCorrelation, "x", "1.00000"},
      {"m", "x", Statistic::kCorrelation, "y", "-1.00000"},
      {"m", "x", Statistic::kCorrelation, "c", kNotAvailable},  // a constant divides by zero
      {"m", "x", Statistic::kCorrelation, "z", "-0.11444"},
      // Numeric figures of text are not available.
      {"m", "s", Statistic::kAverage, "", kNotAvailable},
      {"m", "s", Statistic::kStDeviation, "", kNotAvailable},
      {"m", "x", Statistic::kCorrelation, "s", kNotAvailable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.table) + "." + c.column + " statistic " +
                 std::to_string(static_cast<int>(c.statistic)) + " " + c.with);
    auto value = ComputeStatistic(source_, {c.table, c.column, c.statistic, c.with});
    ASSERT_TRUE(value.ok()) << value.status().message();
    EXPECT_EQ(*value, c.expected);
  }
}

TEST_F(ColumnStatisticsTest, AMissingTableOrColumnIsRefused) {
  EXPECT_EQ(ComputeStatistic(source_, {"nope", "x", Statistic::kMin, ""}).status().message(),
            kSelectTable);
  EXPECT_EQ(ComputeStatistic(source_, {"m", "nope", Statistic::kMin, ""}).status().message(),
            kSelectField);
  EXPECT_EQ(ComputeStatistic(source_, {"m", "x", Statistic::kCorrelation, ""}).status().message(),
            kSelectField);
}

TEST(FieldEntry, SplitsAtTheLastDot) {
  EXPECT_EQ(SplitFieldEntry("golf_data.temperature"),
            (std::pair<std::string, std::string>{"golf_data", "temperature"}));
  EXPECT_EQ(SplitFieldEntry("a.b.c"), (std::pair<std::string, std::string>{"a.b", "c"}));
}

}  // namespace
}  // namespace quarry
