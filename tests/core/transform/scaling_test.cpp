#include "core/transform/scaling.h"

#include <gtest/gtest.h>

#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

class ScalingTest : public testing::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    MakeTable(
        "t", {"x", "c", "s", "none"}, {"real", "real", "string", "real"},
        {{"0", "3", "a", "?"}, {"5", "3", "b", "?"}, {"10", "3", "c", "?"}, {"?", "?", "?", "?"}});
  }
  Status Scale(const std::string& column, const std::string& inf, const std::string& sup,
               const std::string& name = "scaled") {
    return ScaleColumn(source_, {"t", column, inf, sup, FixedName(name)});
  }
  size_t ColumnCount() {
    std::vector<std::string> names;
    EXPECT_TRUE(source_.FieldNames("select * from t", names));
    return names.size();
  }
};

TEST_F(ScalingTest, MapsTheRangeOntoTheExtremes) {
  ASSERT_TRUE(Scale("x", "0", "1").ok());
  EXPECT_EQ(Rows("select scaled from t"), (Table{{"0"}, {"0.5"}, {"1"}, {"?"}}));
  ASSERT_TRUE(Scale("x", "-1", "1,5", "wide").ok());  // a decimal comma as typed
  EXPECT_EQ(Rows("select wide from t"), (Table{{"-1"}, {"0.25"}, {"1.5"}, {"?"}}));
}

TEST_F(ScalingTest, AConstantColumnMapsToTheLowerExtreme) {
  ASSERT_TRUE(Scale("c", "2", "4").ok());
  EXPECT_EQ(Rows("select scaled from t"), (Table{{"2"}, {"2"}, {"2"}, {"?"}}));
}

TEST_F(ScalingTest, BadInputChangesNothing) {
  EXPECT_EQ(Scale("x", "1", "0").message(), kBadExtremes);
  EXPECT_EQ(Scale("x", "1", "1").message(), kBadExtremes);
  EXPECT_EQ(Scale("x", "zero", "1").message(), kBadExtremes);
  EXPECT_EQ(Scale("x", "0", "1); drop table t; --").message(), kBadExtremes);
  EXPECT_EQ(Scale("s", "0", "1").message(), kSelectAnotherField);
  EXPECT_EQ(Scale("none", "0", "1").message(), kSelectAnotherField);
  EXPECT_EQ(Scale("x", "0", "1", "C").message(), kFieldNameNotValid);
  EXPECT_EQ(Scale("nope", "0", "1").message(), kSelectField);
  EXPECT_EQ(ColumnCount(), 4u);
}

}  // namespace
}  // namespace quarry
