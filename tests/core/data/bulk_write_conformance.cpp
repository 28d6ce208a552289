// Prepared, parameter-bound writes on every backend: what they store must be exactly what
// InsertRow and literal statements store.

#include <string>
#include <vector>

#include "core/data/prepared_statement.h"
#include "core/data/row_inserter.h"
#include "core/data/sql_quote.h"
#include "tests/core/data/data_source_conformance.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

const std::vector<std::string> kNames = {"s", "r", "i", "b", "d"};
const std::vector<std::string> kTypes = {"string", "real", "integer", "bit", "date"};

Table AwkwardRows() {
  return {{"007", "85", "3", "1", "2024-01-02"},
          {"O'Brien", "3,5", "?", "true", "?"},
          {"?", "?", "?", "?", "?"},
          {"x", "0.1", "-2", "0", "1999-12-31"},
          {"tiny", " 1e-7 ", "0", "FALSE", "?"},
          {"back\\slash\\ ;--", "-1.5E+20", "2147483647", "?", "?"},
          {std::string(5000, 'w'), "123456.789", "1E3", "1", "?"},
          {"Zürich, café", "0.30000000000000004", "-0", "0", "?"}};
}

// The same rows written by InsertRow (literals) and by RowInserter one row and many rows at a
// time read back the same, computed on the same (numbers stay numbers, not texts that look like
// them), and on SQLite are stored with the same storage classes.
TEST_P(DataSourceConformance, BoundRowsStoreWhatLiteralRowsStore) {
  MakeTable("literal", kNames, kTypes, AwkwardRows());
  for (size_t batch : {size_t{1}, size_t{3}, size_t{100}}) {
    const std::string table = "bound" + std::to_string(batch);
    ASSERT_TRUE(source_.CreateTable(table, kNames, kTypes)) << source_.LastError();
    RowInserter inserter(source_, table, kNames, kTypes, batch);
    ASSERT_TRUE(inserter.Prepare()) << inserter.LastError();
    for (const auto& row : AwkwardRows()) ASSERT_TRUE(inserter.AddRow(row)) << inserter.LastError();
    ASSERT_TRUE(inserter.Flush()) << inserter.LastError();
    EXPECT_EQ(inserter.RowsDone(), 8);
    EXPECT_EQ(Rows("select * from " + table), Rows("select * from literal")) << table;
    const std::string figures = "select sum(r), sum(i), count(b), min(d), max(length(s)) from ";
    EXPECT_EQ(Rows(figures + table), Rows(figures + "literal"));
    if (!OnPostgres()) {
      const std::string classes =
          "select typeof(s), typeof(r), typeof(i), typeof(b), typeof(d) from ";
      EXPECT_EQ(Rows(classes + table), Rows(classes + "literal")) << table;
    }
  }
}

TEST_P(DataSourceConformance, BoundRowWithoutANumberIsRefusedAlone) {
  MakeTable("t", {"s", "r"}, {"string", "real"}, {});
  RowInserter inserter(source_, "t", {"s", "r"}, {"string", "real"}, 4);
  ASSERT_TRUE(inserter.Prepare());
  EXPECT_TRUE(inserter.AddRow({"a", "1"}));
  EXPECT_FALSE(inserter.AddRow({"leaks?", "abc"}));
  EXPECT_EQ(inserter.LastError(), "value abc of column r is not a number");
  EXPECT_TRUE(inserter.AddRow({"?", "2"}));
  EXPECT_TRUE(inserter.AddRow({"c"}));  // a short row: the rest is NULL
  ASSERT_TRUE(inserter.Flush()) << inserter.LastError();
  EXPECT_EQ(Rows("select s, r from t order by r"), (Table{{"c", "?"}, {"a", "1"}, {"?", "2"}}));
}

// Rows in many batches, the last one partial, while a result set is followed on the same
// connection; a row the database refuses fails the run and the transaction takes it all back.
TEST_P(DataSourceConformance, BatchesFollowAResultSetAndRollBackWhole) {
  Table rows;
  for (int i = 0; i < 3001; ++i) rows.push_back({std::to_string(i)});
  ASSERT_TRUE(source_.BeginTransaction());
  MakeTable("src", {"id"}, {"integer"}, rows);
  ASSERT_TRUE(source_.Commit());
  ASSERT_TRUE(source_.Execute("create table dst (id integer primary key, half real, tag string)"));
  {
    ExclusiveUse exclusive(source_);
    ASSERT_TRUE(source_.BeginTransaction());
    PreparedStatement insert(source_, "insert into dst values(?,?,?)",
                             {ParamKind::kInteger, ParamKind::kReal, ParamKind::kText}, 256);
    ASSERT_TRUE(insert.Prepare()) << insert.LastError();
    ASSERT_TRUE(source_.Query("select id from src order by id"));
    std::vector<std::string> row;
    for (bool more = source_.FirstRow(row); more; more = source_.NextRow(row)) {
      const int id = std::stoi(row[0]);
      insert.SetInteger(0, id);
      insert.SetReal(1, id / 2.0);
      if (id % 2 == 0) insert.SetText(2, "even'" + row[0]);
      ASSERT_TRUE(insert.AddRow()) << insert.LastError();
    }
    ASSERT_TRUE(insert.Flush()) << insert.LastError();
    ASSERT_TRUE(source_.Commit());
  }
  EXPECT_EQ(Rows("select count(*), sum(id), count(half), count(tag) from dst"),
            (Table{{"3001", "4501500", "3001", "1501"}}));
  EXPECT_EQ(Rows("select id, half, tag from dst where id in (0, 2999, 3000) order by id"),
            (Table{{"0", "0", "even'0"}, {"2999", "1499.5", "?"}, {"3000", "1500", "even'3000"}}));

  ASSERT_TRUE(source_.BeginTransaction());
  PreparedStatement insert(source_, "insert into dst(id) values(?)", {ParamKind::kInteger}, 16);
  ASSERT_TRUE(insert.Prepare());
  bool ok = true;
  for (int id = 5000; id < 5040 && ok; ++id) {
    insert.SetInteger(0, id == 5020 ? 7 : id);  // 7 is taken
    ok = insert.AddRow();
  }
  ok = ok && insert.Flush();
  EXPECT_FALSE(ok);
  EXPECT_FALSE(insert.LastError().empty());
  ASSERT_TRUE(source_.Rollback());
  EXPECT_EQ(Count("dst"), 3001);
}

// Updates by key: only the rows named change, an unknown key changes nothing and is no error.
TEST_P(DataSourceConformance, BoundUpdatesChangeTheRowsTheyName) {
  Table rows;
  for (int i = 0; i < 50; ++i) rows.push_back({std::to_string(i), "0"});
  MakeTable("Cluster T", {"IdRow", "NumberClustering"}, {"integer", "integer"}, rows);
  PreparedStatement update(source_,
                           "update " + QuoteIdent("Cluster T") + " set " +
                               QuoteIdent("NumberClustering") + "=? where " + QuoteIdent("IdRow") +
                               "=?",
                           {ParamKind::kInteger, ParamKind::kInteger}, 8);
  ASSERT_TRUE(update.Prepare()) << update.LastError();
  for (int id : {3, 17, 49, 1000}) {
    update.SetInteger(0, id % 5 + 1);
    update.SetInteger(1, id);
    ASSERT_TRUE(update.AddRow()) << update.LastError();
  }
  ASSERT_TRUE(update.Flush()) << update.LastError();
  EXPECT_EQ(Rows("select [IdRow], [NumberClustering] from [Cluster T] where [NumberClustering] > 0 "
                 "order by [IdRow]"),
            (Table{{"3", "4"}, {"17", "3"}, {"49", "5"}}));
}

// A statement whose connection was closed refuses to run instead of using a dead handle.
TEST_P(DataSourceConformance, StatementOfAClosedConnectionRefusesToRun) {
  MakeTable("t", {"x"}, {"integer"}, {});
  PreparedStatement insert(source_, "insert into t values(?)", {ParamKind::kInteger});
  ASSERT_TRUE(insert.Prepare());
  insert.SetInteger(0, 1);
  ASSERT_TRUE(insert.AddRow());
  ASSERT_TRUE(source_.Open(connect_));
  insert.SetInteger(0, 2);
  EXPECT_FALSE(insert.AddRow());
  EXPECT_EQ(Rows("select x from t"), (Table{{"1"}}));
  PreparedStatement bad(source_, "insert into nowhere values(?)", {ParamKind::kInteger});
  EXPECT_FALSE(bad.Prepare() && bad.AddRow());
}

}  // namespace
}  // namespace quarry
