#include "core/transform/null_substitution.h"

#include <gtest/gtest.h>

#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

class NullSubstitutionTest : public testing::DatabaseTest {
 protected:
  Expected<NullSubstitutionResult> Substitute(const std::string& column, const std::string& name) {
    return SubstituteNulls(source_, {"t", column, FixedName(name)});
  }
  std::vector<std::string> Columns() {
    std::vector<std::string> names;
    std::vector<std::string> types;
    EXPECT_TRUE(source_.FieldTypes("select * from t", names, types));
    return types;
  }
};

TEST_F(NullSubstitutionTest, IntegersTakeTheMostFrequentValueNotTheAverage) {
  MakeTable("t", {"n"}, {"integer"}, {{"1"}, {"3"}, {"?"}, {"3"}, {"2"}, {"?"}});
  auto result = Substitute("n", "n2");
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->substitute, "3");
  EXPECT_EQ(Rows("select n, n2 from t"),
            (Table{{"1", "1"}, {"3", "3"}, {"?", "3"}, {"3", "3"}, {"2", "2"}, {"?", "3"}}));
  EXPECT_EQ(Columns().back(), "integer");  // the copy is of the column's own type
}

TEST_F(NullSubstitutionTest, StringsAreQuotedAndReplaceOnlyTheMissingValues) {
  MakeTable("t", {"colour"}, {"string"}, {{"red"}, {"?"}, {"blue"}, {"red"}, {"it's"}});
  auto result = Substitute("colour", "c2");
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->substitute, "'red'");
  EXPECT_EQ(
      Rows("select colour, c2 from t"),
      (Table{{"red", "red"}, {"?", "red"}, {"blue", "blue"}, {"red", "red"}, {"it's", "it's"}}));
}

TEST_F(NullSubstitutionTest, FloatsTakeTheAverageAndTiesGoToTheFirstGroup) {
  MakeTable("t", {"x", "s"}, {"real", "string"}, {{"1", "b"}, {"2", "a"}, {"?", "?"}});
  ASSERT_TRUE(Substitute("x", "x2").ok());
  EXPECT_EQ(Rows("select x2 from t"), (Table{{"1"}, {"2"}, {"1.5"}}));
  auto result = Substitute("s", "s2");
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result->substitute, "'a'");  // a and b once each: the smallest
}

TEST_F(NullSubstitutionTest, TiedIntegersGiveTheSmallestInNumberOrder) {
  MakeTable("t", {"n"}, {"integer"}, {{"10"}, {"9"}, {"?"}, {"10"}, {"9"}, {"30"}});
  auto result = Substitute("n", "n2");
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->substitute, "9");
}

TEST_F(NullSubstitutionTest, TimestampsAreQuotedToo) {
  ASSERT_TRUE(source_.Execute("create table t (d timestamp)"));
  ASSERT_TRUE(source_.Execute(
      "insert into t values ('2020-01-02 10:00:00'), ('2020-01-02 10:00:00'), (null)"));
  auto result = Substitute("d", "d2");
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->substitute, "'2020-01-02 10:00:00'");
  EXPECT_EQ(Rows("select count(*) from t where d2 = '2020-01-02 10:00:00'"), (Table{{"3"}}));
}

TEST_F(NullSubstitutionTest, AColumnWithoutKnownValuesIsCopiedWithItsNulls) {
  MakeTable("t", {"x"}, {"real"}, {{"?"}, {"?"}});
  auto result = Substitute("x", "x2");
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result->substitute, "");
  EXPECT_EQ(Rows("select x2 from t"), (Table{{"?"}, {"?"}}));
}

TEST_F(NullSubstitutionTest, BadNamesChangeNothing) {
  MakeTable("t", {"x"}, {"real"}, {{"1"}, {"?"}});
  EXPECT_EQ(Substitute("x", "").status().message(), kFieldNameNotValid);
  EXPECT_EQ(Substitute("x", "x").status().message(), kFieldNameNotValid);
  EXPECT_EQ(Substitute("nope", "x2").status().message(), kSelectField);
  EXPECT_EQ(SubstituteNulls(source_, {"nope", "x", FixedName("x2")}).status().message(),
            kSelectTable);
  EXPECT_EQ(Columns().size(), 1u);
}

}  // namespace
}  // namespace quarry
