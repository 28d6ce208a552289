#include <gtest/gtest.h>

#include <sstream>

#include "core/dtree/case_set.h"
#include "tests/support/temp_database.h"

namespace quarry::dtree {
namespace {

class CaseSetTest : public testing::DatabaseTest {
 protected:
  std::ostringstream report_;
  CaseSet cases_{report_};

  void Load(const std::string& table) {
    ASSERT_TRUE(cases_.LoadAttributes(table, source_).ok());
    ASSERT_EQ(cases_.LoadCases(table, source_), 0);
  }
};

TEST_F(CaseSetTest, ColumnsBecomeDiscreteAndContinuousAttributes) {
  MakeTable("golf", {"outlook", "n", "x", "play"}, {"string", "integer", "float", "string"},
            {{"sunny", "1", "2.5", "no"}, {"rain", "2", "?", "yes"}, {"?", "3", "1", "yes"}});
  Load("golf");
  const AttributeTable& att = cases_.Attributes();
  EXPECT_EQ(att.MaxAtt, 2);
  EXPECT_EQ(att.MaxClass, 1);
  EXPECT_EQ(att.Status[0], kDiscrete);
  EXPECT_EQ(att.Status[1], kContinuous);
  EXPECT_EQ(att.Status[2], kContinuous);
  EXPECT_EQ(att.ValueCount[0], 2);  // NULL is no value
  EXPECT_EQ(att.ValueName[0][1], "rain");
  EXPECT_EQ(att.ValueName[0][2], "sunny");
  EXPECT_EQ(att.ClassName, (std::vector<std::string>{"no", "yes"}));
  EXPECT_EQ(att.AttName[3], "play");  // the class column has an entry too
  EXPECT_EQ(att.MaxDiscrVal, 2);

  ASSERT_EQ(cases_.MaxItem, 2);
  ASSERT_EQ(cases_.Weight.size(), 3u);
  Case c0 = cases_.Item[0];
  EXPECT_EQ(DVal(c0, 0), 2);
  EXPECT_FLOAT_EQ(CVal(c0, 1), 1.0f);
  EXPECT_FLOAT_EQ(CVal(c0, 2), 2.5f);
  EXPECT_EQ(DVal(c0, 3), 0);
  EXPECT_EQ(CVal(cases_.Item[1], 2), kUnknown);
  EXPECT_EQ(DVal(cases_.Item[2], 0), kUnknownValue);
  EXPECT_EQ(DVal(cases_.Item[2], 3), 1);
  EXPECT_TRUE(report_.str().empty());
}

TEST_F(CaseSetTest, BadValuesAreReportedAndLoadingGoesOn) {
  // An integer column holds text in SQLite; it reaches the loader as it is.
  ASSERT_TRUE(source_.Execute("create table t(v integer, c varchar(5))"));
  ASSERT_TRUE(source_.Execute(
      "insert into t values('3,75', 'a'), ('abc', 'b'), (' 2e1', 'a'), ('4x', 'a')"));
  Load("t");
  EXPECT_FLOAT_EQ(CVal(cases_.Item[0], 0), 3.75f);
  EXPECT_FLOAT_EQ(CVal(cases_.Item[1], 0), 0.0f);
  EXPECT_FLOAT_EQ(CVal(cases_.Item[2], 0), 20.0f);
  EXPECT_FLOAT_EQ(CVal(cases_.Item[3], 0), 4.0f);
  EXPECT_EQ(report_.str(),
            "\nERROR:  case 2's value of abc for attributev is illegal\n"
            "\nERROR:  case 4's value of 4x for attributev is illegal\n");
}

TEST_F(CaseSetTest, TestTablesParseAgainstTheTrainingAttributes) {
  MakeTable("train", {"a", "cls"}, {"string", "string"}, {{"x", "p"}, {"y", "q"}});
  MakeTable("test", {"a", "cls"}, {"string", "string"}, {{"z", "p"}, {"y", "r"}, {"x", "?"}});
  ASSERT_TRUE(cases_.LoadAttributes("train", source_).ok());
  ASSERT_EQ(cases_.LoadCases("test", source_), 0);
  EXPECT_EQ(DVal(cases_.Item[0], 0), 0);  // unknown to training: silently unknown
  EXPECT_EQ(DVal(cases_.Item[1], 1), 0);  // unknown class: error 5, class 0
  EXPECT_EQ(report_.str(),
            "\nERROR:  case 2's class of r' is illegal\n"
            "\nERROR:  case 3's class of ?' is illegal\n");
}

TEST_F(CaseSetTest, NullClassesBecomeAClassNamedQuestionMark) {
  MakeTable("t", {"x", "cls"}, {"real", "string"}, {{"1", "a"}, {"2", "?"}});
  Load("t");
  EXPECT_EQ(cases_.Attributes().ClassName, (std::vector<std::string>{"?", "a"}));
  EXPECT_EQ(DVal(cases_.Item[1], 1), 0);
}

TEST_F(CaseSetTest, EmptyTablesLoadNoCases) {
  MakeTable("t", {"x", "cls"}, {"real", "string"}, {});
  ASSERT_TRUE(cases_.LoadAttributes("t", source_).ok());
  EXPECT_EQ(cases_.LoadCases("t", source_), 1);
  EXPECT_EQ(cases_.MaxItem, -1);
  EXPECT_TRUE(cases_.Item.empty());
  EXPECT_FALSE(cases_.LoadAttributes("missing", source_).ok());
  EXPECT_EQ(cases_.LoadCases("missing", source_), 2);
}

TEST_F(CaseSetTest, ArraysGrowInTheirSteps) {
  std::vector<std::string> names, types;
  for (int i = 0; i < 101; ++i) {
    names.push_back("a" + std::to_string(i));
    types.push_back("real");
  }
  names.push_back("cls");
  types.push_back("string");
  ASSERT_TRUE(source_.CreateTable("wide", names, types));
  ASSERT_TRUE(source_.BeginTransaction());
  std::vector<std::string> row(102, "1");
  for (int r = 0; r < 1025; ++r) {
    row.back() = r % 2 ? "odd" : "even";
    row[0] = std::to_string(r);
    ASSERT_TRUE(source_.InsertRow("wide", names, types, row));
  }
  ASSERT_TRUE(source_.Commit());
  Load("wide");
  EXPECT_EQ(cases_.Attributes().MaxAtt, 100);
  EXPECT_EQ(cases_.Attributes().AttName.capacity(), 200u);
  EXPECT_EQ(cases_.MaxItem, 1024);
  EXPECT_EQ(cases_.Item.capacity(), 2048u);
  for (int r = 0; r < 1025; ++r) ASSERT_FLOAT_EQ(CVal(cases_.Item[r], 0), static_cast<float>(r));
  EXPECT_EQ(DVal(cases_.Item[1024], 101), 0);  // "even" sorts first
}

TEST(FindName, ReturnsFirstMinusOneWhenAbsent) {
  const std::vector<std::string> names = {"", "a", "b", "a"};
  EXPECT_EQ(FindName("a", names, 1, 3), 1);
  EXPECT_EQ(FindName("b", names, 1, 3), 2);
  EXPECT_EQ(FindName("c", names, 1, 3), 0);
  EXPECT_EQ(FindName("A", names, 0, 3), -1);
}

// A lookup finds what FindName finds, on lists short enough to walk and long enough to hash:
// the first of equal names, first - 1 for a name absent or outside first..last.
TEST(NameLookup, FindsWhatFindNameFinds) {
  for (int size : {5, 200}) {
    std::vector<std::string> names = {""};
    for (int k = 1; k < size; ++k) names.push_back("v" + std::to_string(k % (size - 3)));
    for (int first : {0, 1}) {
      for (int last : {size - 1, size / 2}) {
        const NameLookup lookup(names, first, last);
        for (int k = 0; k < size + 2; ++k) {
          const std::string text = "v" + std::to_string(k);
          ASSERT_EQ(lookup.Find(text), FindName(text, names, first, last))
              << size << " " << first << " " << last << " " << text;
        }
        EXPECT_EQ(lookup.Find(""), FindName("", names, first, last));
      }
    }
  }
}

// SQLite groups the integer 1 and the text '1' apart; they read alike, and are one value.
TEST_F(CaseSetTest, TextsThatReadAlikeAreOneValue) {
  ASSERT_TRUE(source_.Execute("create table mix(a, cls)"));
  ASSERT_TRUE(source_.Execute("insert into mix values (1, 1), ('1', '1'), ('x', 'y')"));
  Load("mix");
  const AttributeTable& att = cases_.Attributes();
  EXPECT_EQ(att.ValueName[0], (std::vector<std::string>{"", "1", "x"}));
  EXPECT_EQ(att.ClassName, (std::vector<std::string>{"1", "y"}));
  ASSERT_EQ(cases_.MaxItem, 2);
  EXPECT_EQ(DVal(cases_.Item[1], 0), 1);
  EXPECT_EQ(DVal(cases_.Item[1], 1), 0);
}

// Value and class numbers are 16-bit counts in the engine: more are refused with a message
// instead of overflowing them.
TEST_F(CaseSetTest, MoreValuesThanTheEngineCountsAreRefused) {
  ASSERT_TRUE(source_.Execute("create table many(k varchar(9), cls varchar(9))"));
  ASSERT_TRUE(source_.Execute(
      "insert into many with recursive n(i) as (select 1 union all select i + 1 from n where i < "
      "32767) select 'k' || i, 'c' || (i % 2) from n"));
  EXPECT_TRUE(cases_.LoadAttributes("many", source_).ok());
  EXPECT_EQ(cases_.Attributes().ValueCount[0], 32767);
  ASSERT_TRUE(source_.Execute("insert into many values ('k1', 'c0'), ('k32768', 'c0')"));
  Status status = cases_.LoadAttributes("many", source_);
  EXPECT_EQ(status.message(),
            "column k of many has 32768 values; a text column may have at most 32767");
  ASSERT_TRUE(source_.Execute("create table classes as select cls as a, k as cls from many"));
  status = cases_.LoadAttributes("classes", source_);
  EXPECT_EQ(status.message(),
            "the class column cls of classes has 32768 values; at most 32767 classes can be told "
            "apart");
}

}  // namespace
}  // namespace quarry::dtree

namespace quarry::dtree {
namespace {

// Large tables are read in two streams; the cases and messages keep the table's order.
TEST_F(CaseSetTest, LargeTablesLoadInTableOrder) {
  const testing::SqliteInTwoHalves twoHalves;
  ASSERT_TRUE(source_.Execute("create table big(x integer, cls varchar(5))"));
  ASSERT_TRUE(source_.Execute(
      "insert into big with recursive n(i) as (select 1 union all select i + 1 from n where i < "
      "30001) "
      "select case when i in (7, 25000) then 'bad' || i else i end, 'c' || (i % 3) from n"));
  Load("big");
  ASSERT_EQ(cases_.MaxItem, 30000);
  for (int i = 0; i <= 30000; ++i) {
    const int value = i + 1;
    if (value == 7 || value == 25000) continue;
    ASSERT_FLOAT_EQ(CVal(cases_.Item[i], 0), static_cast<float>(value)) << i;
    ASSERT_EQ(DVal(cases_.Item[i], 1), value % 3) << i;
  }
  EXPECT_EQ(report_.str(),
            "\nERROR:  case 7's value of bad7 for attributex is illegal\n"
            "\nERROR:  case 25000's value of bad25000 for attributex is illegal\n");
  EXPECT_EQ(cases_.Item.capacity(), 30720u);

  // A case made afterwards takes fresh room, never a loaded case's cells.
  const Case last = cases_.Item.back();
  const Case made = cases_.ParseCase({"5", "c1"}, 30002);
  EXPECT_FLOAT_EQ(CVal(last, 0), 30001.0f);
  EXPECT_EQ(DVal(last, 1), 30001 % 3);
  EXPECT_FLOAT_EQ(CVal(made, 0), 5.0f);
}

}  // namespace
}  // namespace quarry::dtree
