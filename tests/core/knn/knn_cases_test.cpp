#include <gtest/gtest.h>

#include <sstream>

#include "core/data/sql_quote.h"
#include "core/knn/knn_cases.h"
#include "tests/support/temp_database.h"

namespace quarry::knn {
namespace {

class KnnCasesTest : public testing::DatabaseTest {
 protected:
  Expected<KnnCases> Load(const std::string& table, std::ostream& report) {
    std::vector<std::string> names, types;
    EXPECT_TRUE(source_.FieldTypes(SelectAllFrom(table), names, types));
    return LoadKnnCases(source_, table, names, types, report);
  }
};

TEST_F(KnnCasesTest, ReadsValuesClassesAndUnknowns) {
  MakeTable("t", {"shape", "size", "n"}, {"string", "float", "integer"},
            {{"round", "1,5", "3"}, {"?", "?", "4"}});
  // SQLite lets a float column hold text, which the case model reports and reads as 0. A row
  // without a class is left out, its values unread.
  ASSERT_TRUE(source_.Execute(
      "insert into t values ('square', 'abc', 3), ('oval', 2, null), ('round', 2, '5x')"));
  std::ostringstream report;
  auto cases = Load("t", report);
  ASSERT_TRUE(cases.ok()) << cases.status().message();
  EXPECT_TRUE(cases->numericClass);
  EXPECT_EQ(cases->withoutClass, 1);
  EXPECT_EQ(cases->discr[0], (std::vector<int32_t>{1, 0, 2, 1}));
  EXPECT_EQ(cases->att.ValueName[0], (std::vector<std::string>{"", "round", "square"}));
  EXPECT_EQ(cases->cont[1], (std::vector<float>{1.5f, -999.0f, 0.0f, 2.0f}));
  EXPECT_EQ(cases->classValue, (std::vector<double>{3, 4, 3, 5}));
  EXPECT_EQ(cases->att.ClassName, (std::vector<std::string>{"3", "4", "5x"}));
  EXPECT_EQ(report.str(),
            "\nERROR:  case 3's value of abc for attributesize is illegal\n"
            "\nERROR:  case 5's value of 5x for attributen is illegal\n");

  dtree::AttValue x[2];
  ParseTestCase(*cases, {"oval", "?", "9"}, x);
  EXPECT_EQ(x[0].discr, cases->UnseenValue(0));
  EXPECT_EQ(x[1].cont, dtree::kUnknown);
  ParseTestCase(*cases, {"square", "3,25", "9"}, x);
  EXPECT_EQ(x[0].discr, 2);
  EXPECT_EQ(x[1].cont, 3.25f);
}

// A large table is read in two halves at once; the cases, their numbering and the messages
// must be those of one read in order.
TEST_F(KnnCasesTest, TwoHalvesReadAsOne) {
  const testing::SqliteInTwoHalves twoHalves;
  ASSERT_TRUE(source_.Execute("create table counter (x integer primary key)"));
  ASSERT_TRUE(source_.Execute("insert into counter values (0)"));
  for (int have = 1; have < 30000; have *= 2) {
    ASSERT_TRUE(source_.Execute("insert into counter select x + " + std::to_string(have) +
                                " from counter where x + " + std::to_string(have) + " < 30000"));
  }
  ASSERT_TRUE(source_.Execute("create table big (shape string, size float, label string)"));
  // Values and a class that only the second half has, unknowns, two bad numbers, and rows
  // without a class in both halves.
  ASSERT_TRUE(source_.Execute(
      "insert into big select case when x % 7 = 0 then null when x > 25000 then 'late' || (x % 3) "
      "else 's' || (x % 5) end, case when x % 11 = 0 then null when x in (100, 29000) then 'bad' "
      "else (x * 37 % 101) / 4.0 end, case when x % 13 = 0 then null when x > 28000 then 'last' "
      "else 'c' || (x % 3) end from "
      "counter"));
  std::ostringstream twoReport;
  auto two = Load("big", twoReport);
  ASSERT_TRUE(two.ok()) << two.status().message();
  // Inside a transaction a second connection would not see the same data: one stream.
  ASSERT_TRUE(source_.BeginTransaction());
  std::ostringstream oneReport;
  auto one = Load("big", oneReport);
  ASSERT_TRUE(source_.Commit());
  ASSERT_TRUE(one.ok());
  ASSERT_EQ(two->Count(), 30000u - 2308u);
  EXPECT_EQ(two->withoutClass, 2308);
  EXPECT_EQ(two->discr[0], one->discr[0]);
  EXPECT_EQ(two->att.ValueName[0], one->att.ValueName[0]);
  EXPECT_EQ(two->att.ValueCount[0], 8);
  EXPECT_EQ(two->cont[1], one->cont[1]);
  EXPECT_EQ(two->classOf, one->classOf);
  EXPECT_EQ(two->att.ClassName, (std::vector<std::string>{"c1", "c2", "c0", "last"}));
  EXPECT_EQ(twoReport.str(), oneReport.str());
  EXPECT_NE(oneReport.str().find("case 29001's value of bad"), std::string::npos);
}

}  // namespace
}  // namespace quarry::knn
