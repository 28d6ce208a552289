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
  std::string Stat(const std::string& table, const std::string& column, Statistic statistic,
                   const std::string& with = "") {
    auto value = ComputeStatistic(source_, {table, column, statistic, with});
    EXPECT_TRUE(value.ok()) << value.status().message();
    return value.ok() ? *value : "";
  }
};

TEST_F(ColumnStatisticsTest, MedianShowsTheMiddleValueOrTheTwoMiddleValues) {
  EXPECT_EQ(Stat("four", "x", Statistic::kMedian), "2 - 3");
  EXPECT_EQ(Stat("five", "x", Statistic::kMedian), "30");
  EXPECT_EQ(Stat("one", "x", Statistic::kMedian), kMedianNotAvailable);
  EXPECT_EQ(Stat("empty", "x", Statistic::kMedian), kMedianNotAvailable);
  // Missing values are no values: z has 7 known values 1 1 1 1 2 3 9.
  EXPECT_EQ(Stat("m", "z", Statistic::kMedian), "1");
  EXPECT_EQ(Stat("m", "s", Statistic::kMedian), "green - red");
}

TEST_F(ColumnStatisticsTest, CountsAndExtremesComeFromTheDatabase) {
  EXPECT_EQ(Stat("four", "x", Statistic::kMissingValues), "0");
  EXPECT_EQ(Stat("m", "s", Statistic::kMissingValues), "2");
  EXPECT_EQ(Stat("m", "s", Statistic::kValueNumber),
            "4");  // red, blue, green and the missing value
  EXPECT_EQ(Stat("empty", "x", Statistic::kValueNumber), "0");
  EXPECT_EQ(Stat("four", "x", Statistic::kAverage), "2.5");
  EXPECT_EQ(Stat("five", "x", Statistic::kMin), "10");
  EXPECT_EQ(Stat("five", "x", Statistic::kMax), "50");
  EXPECT_EQ(Stat("m", "s", Statistic::kMax), "red");
  EXPECT_EQ(Stat("empty", "x", Statistic::kMin), kNotAvailable);
  EXPECT_EQ(Stat("empty", "x", Statistic::kAverage), kNotAvailable);
  EXPECT_EQ(Stat("m", "s", Statistic::kMode), "red");
  EXPECT_EQ(Stat("empty", "s", Statistic::kMode), kModeNotAvailable);
}

// Tied groups come from the database in no promised order; the largest of them is the mode.
// The missing values, however many, count for nothing.
TEST_F(ColumnStatisticsTest, TheModeOfTiedValuesIsTheLargest) {
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
  EXPECT_EQ(Stat("tied", "n", Statistic::kMode), "10");  // not "9": numbers order as numbers
  EXPECT_EQ(Stat("tied", "s", Statistic::kMode), "pear");
  EXPECT_EQ(Stat("m", "c", Statistic::kMode), "5");
}

TEST_F(ColumnStatisticsTest, StandardDeviationDividesByTheKnownCountLessOne) {
  EXPECT_EQ(Stat("m", "x", Statistic::kStDeviation), "2.13809");  // sqrt(32 / 7)
  EXPECT_EQ(Stat("five", "x", Statistic::kStDeviation), "15.81139");
  // z: known values 1 2 3 9 1 1 1, mean 18/7; the missing one takes no part.
  EXPECT_EQ(Stat("m", "z", Statistic::kStDeviation), "2.93582");
  EXPECT_EQ(Stat("one", "x", Statistic::kStDeviation), kNotAvailable);
}

TEST_F(ColumnStatisticsTest, CorrelationIsOneWithItselfAndMinusOneWhenMirrored) {
  EXPECT_EQ(Stat("m", "x", Statistic::kCorrelation, "x"), "1.00000");
  EXPECT_EQ(Stat("m", "x", Statistic::kCorrelation, "y"), "-1.00000");
  EXPECT_EQ(Stat("m", "x", Statistic::kCorrelation, "c"),
            kNotAvailable);  // a constant divides by zero
  EXPECT_EQ(Stat("m", "x", Statistic::kCorrelation, "z"), "-0.11444");
}

TEST_F(ColumnStatisticsTest, NumericStatisticsOfTextAreNotAvailable) {
  EXPECT_EQ(Stat("m", "s", Statistic::kAverage), kNotAvailable);
  EXPECT_EQ(Stat("m", "s", Statistic::kStDeviation), kNotAvailable);
  EXPECT_EQ(Stat("m", "x", Statistic::kCorrelation, "s"), kNotAvailable);
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
