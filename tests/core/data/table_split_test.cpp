#include <gtest/gtest.h>

#include <algorithm>

#include "core/data/sql_quote.h"
#include "core/data/table_split.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

class TableSplitTest : public testing::DatabaseTest {
 protected:
  void MakeSource(int n) {
    Table rows;
    for (int i = 0; i < n; ++i) rows.push_back({std::to_string(i), "v" + std::to_string(i % 3)});
    MakeTable("src", {"id", "label"}, {"integer", "string"}, rows);
  }
  std::vector<int> Ids(const std::string& table) {
    std::vector<int> ids;
    for (const auto& row : Rows("select id from " + QuoteIdent(table))) ids.push_back(std::stoi(row[0]));
    std::sort(ids.begin(), ids.end());
    return ids;
  }
};

TEST_F(TableSplitTest, SizesAreExactAndEveryRowLandsOnce) {
  MakeSource(25);
  for (int percent : {0, 33, 50, 99, 100}) {
    Rand rand;
    ASSERT_TRUE(SplitTable(source_, "src", "first", "second", percent, rand).ok());
    EXPECT_EQ(Count("first"), 25 * percent / 100) << percent;
    EXPECT_EQ(Count("second"), 25 - 25 * percent / 100) << percent;
    std::vector<int> all = Ids("first");
    for (int id : Ids("second")) all.push_back(id);
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), 25u);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(all[i], i);
  }
  std::vector<std::string> names, types;
  ASSERT_TRUE(source_.FieldTypes(SelectAllFrom("first"), names, types));
  EXPECT_EQ(types, (std::vector<std::string>{"integer", "string"}));
}

TEST_F(TableSplitTest, FollowsTheDrawsAndRepeatsThem) {
  MakeSource(10);
  Rand rand;
  ASSERT_TRUE(SplitTable(source_, "src", "a", "b", 50, rand).ok());
  // Draws mod 100 from seed 1: 41 67 34 0 69 24 78 58 62 64. A draw above 50 sends the row to
  // the first table while it has room (quota 5); a draw of 50 or less to the second.
  EXPECT_EQ(Ids("a"), (std::vector<int>{1, 4, 6, 7, 8}));
  EXPECT_EQ(Ids("b"), (std::vector<int>{0, 2, 3, 5, 9}));
  Rand again;
  ASSERT_TRUE(SplitTable(source_, "src", "a", "b", 50, again).ok());
  EXPECT_EQ(Ids("a"), (std::vector<int>{1, 4, 6, 7, 8}));
}

TEST_F(TableSplitTest, EmptySourceGivesEmptyTargets) {
  MakeTable("src", {"id"}, {"integer"}, {});
  Rand rand;
  ASSERT_TRUE(SplitTable(source_, "src", "a", "b", 30, rand).ok());
  EXPECT_EQ(Count("a"), 0);
  EXPECT_EQ(Count("b"), 0);
}

TEST_F(TableSplitTest, BadArgumentsChangeNothing) {
  MakeSource(5);
  Rand rand;
  EXPECT_FALSE(SplitTable(source_, "missing", "a", "b", 30, rand).ok());
  EXPECT_FALSE(SplitTable(source_, "src", "a", "a", 30, rand).ok());
  EXPECT_FALSE(SplitTable(source_, "src", "a", "b", 101, rand).ok());
  EXPECT_FALSE(PartitionTable(source_, 0, "src", rand).ok());
  std::vector<std::string> tables;
  ASSERT_TRUE(source_.ListTables(tables));
  EXPECT_EQ(tables, (std::vector<std::string>{"src"}));
}

TEST_F(TableSplitTest, PartitionMakesFoldsAndComplements) {
  MakeSource(10);
  Rand rand;
  ASSERT_TRUE(PartitionTable(source_, 3, "src", rand).ok());
  long total = 0;
  for (int i = 0; i < 3; ++i) {
    const long n = Count(FoldTableName("src", i));
    EXPECT_LE(n, 4);
    total += n;
  }
  EXPECT_EQ(total, 10);
  EXPECT_EQ(FoldTableName("src", 2), "src2");
  EXPECT_EQ(ComplementTableName("src", 2), "src_escluso_2");
  for (int j = 0; j < 3; ++j) {
    std::vector<int> others;
    for (int i = 0; i < 3; ++i) {
      if (i == j) continue;
      for (int id : Ids(FoldTableName("src", i))) others.push_back(id);
    }
    std::sort(others.begin(), others.end());
    EXPECT_EQ(Ids(ComplementTableName("src", j)), others);
  }
}

}  // namespace
}  // namespace quarry
