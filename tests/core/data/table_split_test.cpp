#include <gtest/gtest.h>

#include <algorithm>

#include "core/data/fault_injection.h"
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
    for (const auto& row : Rows("select id from " + QuoteIdent(table)))
      ids.push_back(std::stoi(row[0]));
    std::sort(ids.begin(), ids.end());
    return ids;
  }
};

TEST_F(TableSplitTest, SizesAreExactAndEveryRowLandsOnce) {
  MakeSource(25);
  for (int percent : {0, 33, 50, 99, 100}) {
    Rand rand;
    ASSERT_TRUE(SplitTable(source_, "src", "first", "second", percent, rand, NoProgress(),
                           ExistingTargets::kReplace)
                    .ok());
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
  ASSERT_TRUE(
      SplitTable(source_, "src", "a", "b", 50, again, NoProgress(), ExistingTargets::kReplace)
          .ok());
  EXPECT_EQ(Ids("a"), (std::vector<int>{1, 4, 6, 7, 8}));
}

TEST_F(TableSplitTest, EmptySourceGivesEmptyTargets) {
  MakeTable("src", {"id"}, {"integer"}, {});
  Rand rand;
  ASSERT_TRUE(SplitTable(source_, "src", "a", "b", 30, rand).ok());
  EXPECT_EQ(Count("a"), 0);
  EXPECT_EQ(Count("b"), 0);
}

TEST_F(TableSplitTest, RefusedJobsChangeNothing) {
  MakeSource(5);
  MakeTable("kept", {"x"}, {"integer"}, {{"7"}});
  MakeTable("SRC_ESCLUSO_1", {"x"}, {"integer"}, {{"8"}});
  Rand rand;
  EXPECT_FALSE(SplitTable(source_, "missing", "a", "b", 30, rand).ok());
  EXPECT_FALSE(SplitTable(source_, "src", "a", "b", 101, rand).ok());
  // SQLite takes names without regard to case: "SRC" is the source, "A" is "a".
  EXPECT_FALSE(SplitTable(source_, "src", "SRC", "b", 30, rand).ok());
  EXPECT_FALSE(SplitTable(source_, "src", "a", "A", 30, rand).ok());
  // An existing table is replaced only when the caller asks for it.
  EXPECT_FALSE(SplitTable(source_, "src", "a", "Kept", 30, rand).ok());
  EXPECT_FALSE(PartitionTable(source_, 3, "src", rand).ok());
  for (int k : {0, 1}) EXPECT_FALSE(PartitionTable(source_, k, "src", rand).ok()) << k;
  // More folds than rows: refused before anything is made.
  PartitionOptions replace;
  replace.existing = ExistingTargets::kReplace;
  EXPECT_FALSE(PartitionTable(source_, 6, "src", rand, NoProgress(), replace).ok());
  std::vector<std::string> tables;
  ASSERT_TRUE(source_.ListTables(tables));
  EXPECT_EQ(tables, (std::vector<std::string>{"src", "kept", "SRC_ESCLUSO_1"}));
  EXPECT_EQ(Rows("select * from kept"), Table{{"7"}});
  EXPECT_EQ(Count("src"), 5);

  ASSERT_TRUE(
      SplitTable(source_, "src", "a", "Kept", 40, rand, NoProgress(), ExistingTargets::kReplace)
          .ok());
  EXPECT_EQ(Count("kept"), 3);
  const Status partitioned = PartitionTable(source_, 3, "src", rand, NoProgress(), replace);
  ASSERT_TRUE(partitioned.ok()) << partitioned.message();
  EXPECT_EQ(Count("src_escluso_1") + Count("src1"), 5);
}

// A job that fails at any of its changes (as on a full disk, where SQLite gives up the whole
// transaction) leaves every table as it was, the ones it was to replace too.
TEST_F(TableSplitTest, AFailureAtAnyStepLeavesTheDatabaseAsItWas) {
  MakeSource(6);
  PartitionOptions replace;
  replace.existing = ExistingTargets::kReplace;
  for (const bool split : {true, false}) {
    std::vector<std::string> tables;
    ASSERT_TRUE(source_.ListTables(tables));
    for (const std::string& table : tables) {
      if (table != "src") source_.DropTable(table);
    }
    MakeTable("a", {"x"}, {"integer"}, {{"7"}});
    MakeTable("src0", {"x"}, {"integer"}, {{"8"}});
    long step = 1;
    for (; step < 100; ++step) {
      InjectFaults(step);
      Rand rand;
      const Status status = split ? SplitTable(source_, "src", "a", "b", 50, rand, NoProgress(),
                                               ExistingTargets::kReplace)
                                  : PartitionTable(source_, 2, "src", rand, NoProgress(), replace);
      InjectFaults(0);
      if (status.ok()) break;
      ASSERT_TRUE(source_.ListTables(tables));
      ASSERT_EQ(tables, (std::vector<std::string>{"src", "a", "src0"})) << split << step;
      ASSERT_EQ(Rows("select * from a"), Table{{"7"}});
      ASSERT_EQ(Rows("select * from src0"), Table{{"8"}});
    }
    EXPECT_GT(step, 6 + 2) << "every row and every table is a step";
    EXPECT_LT(step, 100);
  }
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

namespace quarry {
namespace {

// The parts of a split or partition hold the source's values as they are: their columns are
// declared as the source's, not as the nearest of the few types a job names.
class TableSplitTypesTest : public testing::BackendTest {
 protected:
  std::vector<std::vector<std::string>> Sorted(const std::string& table) {
    return Rows("select big, amount, code from " + QuoteIdent(table) + " order by big");
  }
};

TEST_P(TableSplitTypesTest, PartsKeepTheSourcesColumnTypes) {
  ASSERT_TRUE(
      source_.Execute("create table src (big bigint, amount numeric(20,2), code varchar(5))"));
  for (const char* values : {"(9000000001, 123456789012345678.91, 'a,b')",
                             "(9000000002, 0.10, 'xyz  ')", "(9000000003, null, null)"}) {
    ASSERT_TRUE(source_.Execute(std::string("insert into src values ") + values));
  }
  Rand rand;
  ASSERT_TRUE(SplitTable(source_, "src", "first", "second", 100, rand).ok()) << source_.LastError();
  EXPECT_EQ(Sorted("first"), Sorted("src"));
  ASSERT_TRUE(PartitionTable(source_, 3, "src", rand).ok()) << source_.LastError();
  std::vector<std::vector<std::string>> folds;
  for (int i = 0; i < 3; ++i) {
    for (auto& row : Sorted(FoldTableName("src", i))) folds.push_back(row);
  }
  std::sort(folds.begin(), folds.end());
  EXPECT_EQ(folds, Sorted("src"));
  if (OnPostgres()) {
    for (const char* table : {"first", "src0"}) {
      EXPECT_EQ(PostgresColumnTypes(table),
                (std::vector<std::string>{"bigint", "numeric(20,2)", "character varying(5)"}))
          << table;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, TableSplitTypesTest,
                         ::testing::Values(testing::Backend::kSqlite, testing::Backend::kPostgres),
                         testing::BackendName);

}  // namespace
}  // namespace quarry
