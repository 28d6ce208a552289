#include <gtest/gtest.h>

#include <sstream>

#include "core/assoc/association_job.h"
#include "core/assoc/binarization.h"
#include "core/data/sql_quote.h"
#include "core/data/work_tables.h"
#include "tests/support/killed_run.h"
#include "tests/support/temp_database.h"

namespace quarry::assoc {
namespace {

using Names = std::vector<std::string>;
using Table = std::vector<std::vector<std::string>>;

class BinarizationTest : public testing::DatabaseTest {
 protected:
  Names Columns(const std::string& table) {
    Names names;
    EXPECT_TRUE(source_.FieldNames(SelectAllFrom(table), names)) << source_.LastError();
    return names;
  }
};

TEST_F(BinarizationTest, OneColumnPerValueAndNullStaysNull) {
  MakeTable("t", {"id", "c"}, {"integer", "string"},
            {{"1", "a"}, {"2", "b"}, {"3", "?"}, {"4", "a"}});
  auto result = BinarizeColumn(source_, "t", "c");
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->columns, (Names{"c_Value_a", "c_Value_b"}));
  EXPECT_EQ(Columns("t"), (Names{"id", "c", "c_Value_a", "c_Value_b"}));
  EXPECT_EQ(Rows("select id, c_Value_a, c_Value_b from t order by id"),
            (Table{{"1", "1", "0"}, {"2", "0", "1"}, {"3", "?", "?"}, {"4", "1", "0"}}));
}

// Quotes, brackets and commas in values become part of column names and literals without
// breaking the statements.
TEST_F(BinarizationTest, OddValuesAndNamesAreSafe) {
  MakeTable("odd table", {"k", "col]x"}, {"integer", "string"},
            {{"1", "it's"}, {"2", "a]b"}, {"3", "x, y"}, {"4", "'; drop table t; --"}});
  auto result = BinarizeColumn(source_, "odd table", "col]x");
  ASSERT_TRUE(result.ok()) << result.status().message();
  ASSERT_EQ(result->columns.size(), 4u);
  EXPECT_EQ(Rows("select count(*) from [odd table] where [col]]x_Value_it's] = 1"), (Table{{"1"}}));
  EXPECT_EQ(Rows("select k from [odd table] where [col]]x_Value_a]]b] = 1"), (Table{{"2"}}));
  EXPECT_EQ(Rows("select sum([col]]x_Value_x, y]) from [odd table]"), (Table{{"1"}}));
}

TEST_F(BinarizationTest, NumbersBareTextQuoted) {
  // A REAL column of SQLite may hold text; it must reach SQL as a literal, never bare.
  MakeTable("n", {"v"}, {"real"}, {{"2.5"}, {"10"}, {"2.5"}});
  ASSERT_TRUE(source_.Execute("insert into n values ('1 or 1=1')"));
  auto result = BinarizeColumn(source_, "n", "v");
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(Rows("select [v_Value_2.5], v_Value_10, [v_Value_1 or 1=1] from n"),
            (Table{{"1", "0", "0"}, {"0", "1", "0"}, {"1", "0", "0"}, {"0", "0", "1"}}));
}

// SQLite compares names without regard to case: a column for "A" would be the one for "a", and
// its updates would overwrite it.
TEST_F(BinarizationTest, AValueWhoseColumnExistsIsSkippedNotMerged) {
  MakeTable("t", {"c"}, {"string"}, {{"A"}, {"a"}, {"a"}});
  auto result = BinarizeColumn(source_, "t", "c");
  ASSERT_TRUE(result.ok()) << result.status().message();
  ASSERT_EQ(result->columns.size(), 1u);
  ASSERT_EQ(result->skipped.size(), 1u);
  EXPECT_NE(result->skipped[0].find("has a column"), std::string::npos);
  EXPECT_EQ(Rows("select c, " + QuoteIdent(result->columns[0]) + " from t order by rowid"),
            (Table{{"A", "1"}, {"a", "0"}, {"a", "0"}}));
}

TEST_F(BinarizationTest, MissingColumnOrTableChangesNothing) {
  MakeTable("t", {"c"}, {"string"}, {{"a"}});
  EXPECT_EQ(BinarizeColumn(source_, "t", "nope").status().code(), StatusCode::kNotFound);
  EXPECT_EQ(BinarizeColumn(source_, "none", "c").status().code(), StatusCode::kNotFound);
  EXPECT_EQ(Columns("t"), (Names{"c"}));
}

// A table already named BinTable is the user's: the copy takes the next free name, and only the
// copy goes when the work is done.
TEST_F(BinarizationTest, BinarizeTableKeepsATableOfItsNameAndOnlyValueColumns) {
  MakeTable("w", {"outlook", "play"}, {"string", "string"},
            {{"sunny", "no"}, {"rainy", "yes"}, {"?", "yes"}});
  MakeTable(kBinTable, {"mine"}, {"integer"}, {{"1"}});
  WorkTables work(source_);
  auto result = BinarizeTable(source_, work, "w");
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->table, "BinTable1");
  EXPECT_EQ(Columns("BinTable1"), (Names{"outlook_Value_rainy", "outlook_Value_sunny",
                                         "play_Value_no", "play_Value_yes"}));
  EXPECT_EQ(Rows("select * from BinTable1"),
            (Table{{"0", "1", "1", "0"}, {"1", "0", "0", "1"}, {"?", "?", "0", "1"}}));
  EXPECT_EQ(Columns("w"), (Names{"outlook", "play"}));
  EXPECT_TRUE(work.DropAll().empty());
  EXPECT_FALSE(source_.TableExists("BinTable1"));
  EXPECT_EQ(Rows("select * from BinTable"), (Table{{"1"}}));

  EXPECT_EQ(BinarizeTable(source_, work, kBinTable).status().code(), StatusCode::kInvalidArgument);
  MakeTable("nulls", {"c"}, {"string"}, {{"?"}});
  EXPECT_FALSE(BinarizeTable(source_, work, "nulls").ok());
  EXPECT_TRUE(work.DropAll().empty());
  EXPECT_EQ(Rows("select * from BinTable"), (Table{{"1"}}));
  EXPECT_FALSE(source_.TableExists("BinTable1"));
}

// Stopped while it reads the rows of its binarized copy, the association job drops the copy; the
// copy a killed run left is dropped by the next job, which says so.
TEST_F(BinarizationTest, TheAssociationJobLeavesNoBinarizedCopy) {
  MakeTable("big", {"a"}, {"string"}, {{"x"}, {"y"}});
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(source_.Execute("insert into big select * from big"));
  struct StopAtTheScan : Progress {
    mutable int asked = 0;
    bool Cancelled() const override { return ++asked > 1; }  // once binarizing is done
  } stop;
  AssociationJobParams params;
  params.table = "big";
  params.binarize = true;
  std::ostringstream report;
  auto result = RunAssociationJob(source_, params, report, stop);
  EXPECT_EQ(result.status().code(), StatusCode::kCancelled) << result.status().message();
  EXPECT_FALSE(source_.TableExists(kBinTable));

  MakeTable(kBinTable, {"x_Value_1"}, {"integer"}, {{"1"}});
  ASSERT_TRUE(testing::RecordAsKilledRunsTable(source_, kBinTable)) << source_.LastError();
  MakeTable("small", {"a"}, {"string"}, {{"x"}, {"y"}, {"x"}});
  params.table = "small";
  result = RunAssociationJob(source_, params, report);
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->minedTable, kBinTable);  // the name is free once the old copy is gone
  EXPECT_EQ(result->itemNames, (Names{"a_Value_x", "a_Value_y"}));
  EXPECT_EQ(report.str(), "dropped the tables a stopped run had left: BinTable\n");
  EXPECT_FALSE(source_.TableExists(kBinTable));
}

}  // namespace
}  // namespace quarry::assoc
