#include "core/transform/discretization.h"

#include <gtest/gtest.h>

#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

class DiscretizationTest : public testing::DatabaseTest {
 protected:
  DiscretizationParams Params(const std::string& table, const std::string& column,
                              const std::string& k, DiscretizationType type, IntervalLabel label) {
    DiscretizationParams p;
    p.table = table;
    p.column = column;
    p.intervals = k;
    p.type = type;
    p.label = label;
    p.newName = [this] {
      ++asked_;
      return std::string("bin");
    };
    return p;
  }
  int asked_ = 0;
};

TEST_F(DiscretizationTest, RegularTextLabelsNameTheirBoundsAndLeaveNullsAlone) {
  MakeTable("t", {"id", "x"}, {"integer", "real"},
            {{"1", "0"}, {"2", "2.5"}, {"3", "5"}, {"4", "7.5"}, {"5", "10"}, {"6", "?"}});
  ASSERT_TRUE(Discretize(source_, Params("t", "x", "2", DiscretizationType::kRegularIntervals,
                                         IntervalLabel::kText))
                  .ok());
  EXPECT_EQ(Rows("select id, bin from t order by id"), (Table{{"1", "[0.00000,5.00000]"},
                                                              {"2", "[0.00000,5.00000]"},
                                                              {"3", "[0.00000,5.00000]"},
                                                              {"4", "[5.00000,10.00000]"},
                                                              {"5", "[5.00000,10.00000]"},
                                                              {"6", "?"}}));
}

TEST_F(DiscretizationTest, RegularNumbersWithOneIntervalOrNoWidthAreAllOne) {
  MakeTable("t", {"x", "y"}, {"real", "real"}, {{"1", "4"}, {"7", "4"}, {"3", "4"}, {"?", "?"}});
  ASSERT_TRUE(Discretize(source_, Params("t", "x", "1", DiscretizationType::kRegularIntervals,
                                         IntervalLabel::kNumber))
                  .ok());
  EXPECT_EQ(Rows("select bin from t"), (Table{{"1"}, {"1"}, {"1"}, {"?"}}));

  auto p = Params("t", "y", "3", DiscretizationType::kRegularIntervals, IntervalLabel::kNumber);
  p.newName = FixedName("ybin");
  ASSERT_TRUE(Discretize(source_, p).ok());
  EXPECT_EQ(Rows("select ybin from t"), (Table{{"1"}, {"1"}, {"1"}, {"?"}}));
}

TEST_F(DiscretizationTest, RegularIntervalsCountFromOneAndIncludeTheirUpperBound) {
  MakeTable("t", {"x"}, {"real"}, {{"0"}, {"1"}, {"1.5"}, {"2"}, {"2.01"}, {"3"}});
  ASSERT_TRUE(Discretize(source_, Params("t", "x", "3", DiscretizationType::kRegularIntervals,
                                         IntervalLabel::kNumber))
                  .ok());
  EXPECT_EQ(Rows("select x, bin from t"),
            (Table{{"0", "1"}, {"1", "1"}, {"1.5", "2"}, {"2", "2"}, {"2.01", "3"}, {"3", "3"}}));
}

// The bounds are five-decimal texts of single-precision numbers, and the largest value reads as
// at most fifteen digits; it must still fall into the last interval when either lies below it.
TEST_F(DiscretizationTest, TheMaximumAlwaysGetsTheLastInterval) {
  MakeTable("t", {"x", "big"}, {"real", "real"}, {{"0", "0"}, {"1.234564", "16777217"}});
  ASSERT_TRUE(Discretize(source_, Params("t", "x", "2", DiscretizationType::kRegularIntervals,
                                         IntervalLabel::kText))
                  .ok());
  EXPECT_EQ(Rows("select bin from t"), (Table{{"[0.00000,0.61728]"}, {"[0.61728,1.23456]"}}));
  auto p = Params("t", "big", "1", DiscretizationType::kRegularIntervals, IntervalLabel::kNumber);
  p.newName = FixedName("bigbin");
  ASSERT_TRUE(Discretize(source_, p).ok());
  EXPECT_EQ(Rows("select bigbin from t"), (Table{{"1"}, {"1"}}));

  ASSERT_TRUE(source_.Execute("create table sums (x real)"));
  ASSERT_TRUE(source_.Execute("insert into sums values (0.1), (0.1 + 0.2)"));
  ASSERT_TRUE(Discretize(source_, Params("sums", "x", "2", DiscretizationType::kRegularIntervals,
                                         IntervalLabel::kNumber))
                  .ok());
  EXPECT_EQ(Rows("select x, bin from sums"), (Table{{"0.1", "1"}, {"0.3", "2"}}));
}

TEST_F(DiscretizationTest, UniformCutsTenRowsIntoThreeThreeAndFour) {
  Table rows;
  for (int v : {9, 3, 7, 1, 10, 5, 2, 8, 4, 6})
    rows.push_back({std::to_string(v), "r" + std::to_string(v)});
  rows.push_back({"?", "missing"});
  MakeTable("t", {"x", "name"}, {"real", "string"}, rows);
  ASSERT_TRUE(Discretize(source_, Params("t", "x", "3", DiscretizationType::kUniformDistribution,
                                         IntervalLabel::kNumber))
                  .ok());
  EXPECT_EQ(Rows("select bin, count(*) from t group by bin order by bin"),
            (Table{{"?", "1"}, {"1", "3"}, {"2", "3"}, {"3", "4"}}));
  EXPECT_EQ(Rows("select x from t where bin = 2 order by x"), (Table{{"4"}, {"5"}, {"6"}}));
  // The table was rebuilt from the working table: same columns plus the new one, same rows.
  std::vector<std::string> names;
  ASSERT_TRUE(source_.FieldNames("select * from t", names));
  EXPECT_EQ(names, (std::vector<std::string>{"x", "name", "bin"}));
  EXPECT_EQ(Rows("select name from t where x = 7"), (Table{{"r7"}}));
  EXPECT_EQ(Rows("select name, bin from t where x is null"), (Table{{"missing", "?"}}));
  EXPECT_FALSE(source_.TableExists("table1"));
}

// Equal frequency rebuilds the table: its other columns keep their declared types and values.
TEST_F(DiscretizationTest, UniformKeepsTheOtherColumnsAsDeclaredOnPostgres) {
  OpenBackend(testing::Backend::kPostgres);
  if (IsSkipped()) return;
  ASSERT_TRUE(source_.Execute("create table t (x real, id bigint, amount numeric(20,2))"));
  ASSERT_TRUE(source_.Execute(
      "insert into t values (1, 9000000001, 123456789012345678.91), (2, 2, 0.10), (3, 3, null)"));
  ASSERT_TRUE(Discretize(source_, Params("t", "x", "3", DiscretizationType::kUniformDistribution,
                                         IntervalLabel::kNumber))
                  .ok())
      << source_.LastError();
  EXPECT_EQ(PostgresColumnTypes("t"),
            (std::vector<std::string>{"double precision", "bigint", "numeric(20,2)", "integer"}));
  EXPECT_EQ(
      Rows("select id, amount, bin from t order by x"),
      (Table{{"9000000001", "123456789012345678.91", "1"}, {"2", "0.1", "2"}, {"3", "?", "3"}}));
}

TEST_F(DiscretizationTest, UniformTextLabelsUseTheSortedValuesAtEachIntervalsEnds) {
  MakeTable("t", {"x"}, {"real"}, {{"0.5"}, {"12.25"}, {"3"}, {"-1"}});
  MakeTable("table1", {"a"}, {"string"}, {});  // the working table takes the next free name
  ASSERT_TRUE(Discretize(source_, Params("t", "x", "2", DiscretizationType::kUniformDistribution,
                                         IntervalLabel::kText))
                  .ok());
  EXPECT_EQ(Rows("select x, bin from t order by x"), (Table{{"-1", "[-1.00000,0.50000]"},
                                                            {"0.5", "[-1.00000,0.50000]"},
                                                            {"3", "[3.00000,12.25000]"},
                                                            {"12.25", "[3.00000,12.25000]"}}));
  EXPECT_TRUE(source_.TableExists("table1"));
  EXPECT_FALSE(source_.TableExists("table2"));
}

struct BadDiscretization {
  std::string column;
  std::string intervals;
  std::string name;
  const char* message;
  bool asksName;

  // Readable test names in ctest instead of the structure's bytes.
  friend void PrintTo(const BadDiscretization& bad, std::ostream* os) {
    *os << "column '" << bad.column << "' intervals '" << bad.intervals << "' name '" << bad.name
        << "'";
  }
};

class DiscretizationRefusal : public DiscretizationTest,
                              public ::testing::WithParamInterface<BadDiscretization> {};

TEST_P(DiscretizationRefusal, SaysWhyAndChangesNothing) {
  MakeTable("t", {"x", "s", "empty"}, {"real", "string", "real"},
            {{"1", "a", "?"}, {"2", "b", "?"}, {"3", "c", "?"}});
  const BadDiscretization& bad = GetParam();
  auto p = Params("t", bad.column, bad.intervals, DiscretizationType::kUniformDistribution,
                  IntervalLabel::kNumber);
  p.newName = [&] {
    ++asked_;
    return bad.name;
  };
  Status status = Discretize(source_, p);
  EXPECT_EQ(status.message(), bad.message);
  EXPECT_EQ(asked_, bad.asksName ? 1 : 0);
  std::vector<std::string> names;
  ASSERT_TRUE(source_.FieldNames("select * from t", names));
  EXPECT_EQ(names.size(), 3u);
  EXPECT_EQ(Count("t"), 3);
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, DiscretizationRefusal,
    ::testing::Values(BadDiscretization{"nope", "2", "bin", kSelectField, false},
                      BadDiscretization{"", "2", "bin", kSelectField, false},
                      BadDiscretization{"x", "", "bin", kBadIntervalCount, false},
                      BadDiscretization{"x", "2a", "bin", kBadIntervalCount, false},
                      BadDiscretization{"x", "1.2.3", "bin", kBadIntervalCount, false},
                      BadDiscretization{"x", "0", "bin", kBadIntervalCount, false},
                      BadDiscretization{"x", "4", "bin", kBadIntervalCount, false},
                      BadDiscretization{"empty", "2", "bin", kSelectAnotherField, false},
                      BadDiscretization{"s", "2", "bin", kSelectAnotherField, false},
                      BadDiscretization{"x", "2", "", kFieldNameNotValid, true},
                      BadDiscretization{"x", "2", "X", kFieldNameNotValid, true}));

TEST_F(DiscretizationTest, AMissingTableIsRefused) {
  EXPECT_EQ(Discretize(source_, Params("nope", "x", "2", DiscretizationType::kRegularIntervals,
                                       IntervalLabel::kNumber))
                .message(),
            kSelectTable);
}

}  // namespace
}  // namespace quarry
