#include "tests/core/data/data_source_conformance.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "core/data/grouped_values.h"
#include "core/data/sql_quote.h"
#include "core/data/transaction.h"
#include "core/data/two_half_read.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

TEST_P(DataSourceConformance, CatalogListsTablesButNoViews) {
  std::vector<std::string> names;
  ASSERT_TRUE(source_.Execute("create view only_view as select 1 as x"));
  ASSERT_TRUE(source_.ListTables(names));
  EXPECT_TRUE(names.empty());
  MakeTable("b_table", {"x"}, {"real"}, {});
  MakeTable("a table", {"x"}, {"real"}, {});
  MakeTable("MixedCase", {"x"}, {"real"}, {});
  ASSERT_TRUE(source_.ListTables(names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"MixedCase", "a table", "b_table"}));
  EXPECT_TRUE(source_.TableExists("a table"));
  EXPECT_TRUE(source_.TableExists("MixedCase"));
  // By the database's rule for names: SQLite folds case, PostgreSQL's quoted names keep it.
  EXPECT_EQ(source_.TableExists("mixedcase"), !OnPostgres());
  EXPECT_FALSE(source_.TableExists("only_view"));
}

TEST_P(DataSourceConformance, TypeNamesOfProgramAndPlainSqlColumns) {
  const std::vector<std::string> words = {"string",      "real",    "integer", "float",
                                          "double",      "bit",     "date",    "timestamp",
                                          "varchar(10)", "numeric", "single",  "char"};
  std::vector<std::string> names;
  for (size_t i = 0; i < words.size(); ++i) names.push_back("c" + std::to_string(i));
  ASSERT_TRUE(source_.CreateTable("typed", names, words)) << source_.LastError();
  std::vector<std::string> gotNames, types;
  ASSERT_TRUE(source_.FieldTypes(SelectAllFrom("typed"), gotNames, types));
  EXPECT_EQ(gotNames, names);
  // SQLite's driver reports a column declared "char" as any other text column.
  EXPECT_EQ(types, (std::vector<std::string>{"string", "float", "integer", "float", "float", "bit",
                                             "date", "timestamp", "string", "float", "float",
                                             OnPostgres() ? "char" : "string"}));

  ASSERT_TRUE(
      source_.Execute("create table plain(a TEXT, b INTEGER, c REAL, d VARCHAR(5), "
                      "e double precision)"));
  ASSERT_TRUE(source_.FieldTypes("select * from plain", gotNames, types));
  EXPECT_EQ(types, (std::vector<std::string>{"string", "integer", "float", "string", "float"}));
}

// A copy made from the type names the catalog reports takes every value of the original.
TEST_P(DataSourceConformance, TypeNamesRecreateTheirTable) {
  MakeTable("orig", {"s", "r", "b", "c"}, {"string", "real", "bit", "char"},
            {{"a long text value", "1.5", "1", "more than one character"}, {"?", "?", "0", "?"}});
  std::vector<std::string> names, types;
  ASSERT_TRUE(source_.FieldTypes(SelectAllFrom("orig"), names, types));
  MakeTable("copy", names, types, Rows("select * from orig"));
  EXPECT_EQ(Rows("select * from copy"), Rows("select * from orig"));
}

TEST_P(DataSourceConformance, ValuesRoundTripAsText) {
  MakeTable("v", {"s", "r", "i"}, {"string", "real", "integer"},
            {{"007", "85", "3"},
             {"O'Brien", "3,5", "?"},
             {"?", "?", "?"},
             {"x", "0.1", "-2"},
             {"tiny", "1e-7", "0"},
             {"back\\slash\\", "-1.5E+20", "2147483647"},
             {"Zürich, café", "123456.789", "1"}});
  EXPECT_EQ(Rows("select * from v"), (Table{{"007", "85", "3"},
                                            {"O'Brien", "3.5", "?"},
                                            {"?", "?", "?"},
                                            {"x", "0.1", "-2"},
                                            {"tiny", "1E-07", "0"},
                                            {"back\\slash\\", "-1.5E+20", "2147483647"},
                                            {"Zürich, café", "123456.789", "1"}}));
}

// Numbers stored by arithmetic read with at most 15 significant digits, 7 in single precision.
// (A computed column read directly has no declared type on SQLite, whose driver then gives the
// value as SQLite writes it: "1030.0" where PostgreSQL gives "1030".)
TEST_P(DataSourceConformance, NumberTextsOfComputedValues) {
  MakeTable("n", {"a", "b", "f", "r1", "r2", "r3", "r4"},
            {"real", "integer", "single", "real", "real", "real", "real"},
            {{"0.1", "3", "0.1", "?", "?", "?", "?"}});
  ASSERT_TRUE(source_.Execute(
      "update n set r1 = a + 0.2, r2 = 1 / b, r3 = a * 1e-10, r4 = 2 * a / b * 1e20"));
  EXPECT_EQ(Rows("select r1, r2, r3, r4, f from n"),
            (Table{{"0.3", "0.333333333333333", "1E-11", "6.66666666666667E+18", "0.1"}}));
}

TEST_P(DataSourceConformance, LongValuesAreReadWhole) {
  const std::string big(20000, 'x');
  MakeTable("big", {"s"}, {"string"}, {{big}});
  EXPECT_EQ(Rows("select s from big")[0][0], big);
}

// A cell's text is fetched into a buffer with room for a few hundred bytes; a longer one is read
// whole from the driver and gives its column more room from the next row on. A driver that
// cannot read a fetched cell again has every cell read by itself.
TEST_P(DataSourceConformance, CellsOfEveryLengthReadWholeRowAfterRow) {
  ASSERT_TRUE(source_.Execute("create table t(k integer, s text, n real)"));
  Table expected;
  const size_t lengths[] = {10, 255, 256, 257, 0, 3000, 20, 4095, 4096, 70000, 100, 2999, 1};
  for (size_t k = 0; k < std::size(lengths); ++k) {
    std::string text(lengths[k], static_cast<char>('a' + k));
    if (!text.empty()) text.back() = 'z';
    expected.push_back({std::to_string(k), text, "1.5"});
    ASSERT_TRUE(source_.Execute("insert into t values(" + std::to_string(k) + ", " +
                                QuoteLiteral(text) + ", 1.5)"));
  }
  expected.push_back({"99", "?", "?"});
  ASSERT_TRUE(source_.Execute("insert into t values(99, null, null)"));
  struct CellsBound {
    explicit CellsBound(bool on) { BindResultCells(on); }
    ~CellsBound() { BindResultCells(true); }
  };
  for (const bool bound : {true, false}) {
    const CellsBound binding(bound);
    ExclusiveUse exclusive(source_);
    // Twice through each result set: the second time with the room the first one made.
    for (const bool wholeTable : {false, true}) {
      ASSERT_TRUE(wholeTable ? source_.QueryTable("t") : source_.Query("select * from t"));
      for (int pass = 0; pass < 2; ++pass) {
        Table read;
        std::vector<std::string> row;
        for (bool more = source_.FirstRow(row); more; more = source_.NextRow(row))
          read.push_back(row);
        ASSERT_TRUE(source_.ResultAtEnd());
        ASSERT_EQ(read.size(), expected.size());
        for (size_t r = 0; r < read.size(); ++r) {
          EXPECT_TRUE(read[r] == expected[r])
              << (bound ? "bound" : "unbound") << (wholeTable ? " table" : " query") << " pass "
              << pass << " row " << r << ": " << read[r][1].substr(0, 40) << " ("
              << read[r][1].size() << " bytes)";
        }
      }
    }
  }
}

TEST_P(DataSourceConformance, NumbersAreNeverWrittenBareUnlessTheyAreNumbers) {
  MakeTable("t", {"s", "r"}, {"string", "real"}, {});
  EXPECT_FALSE(
      source_.InsertRow("t", {"s", "r"}, {"string", "real"}, {"a", "1); drop table t; --"}));
  EXPECT_TRUE(
      source_.InsertRow("t", {"s", "r"}, {"string", "real"}, {"1); drop table t; --", "2"}));
  EXPECT_TRUE(source_.InsertRow("t", {"s", "r"}, {"varchar(20)", "real"}, {"plain text", "3"}));
  EXPECT_EQ(Rows("select * from t"), (Table{{"1); drop table t; --", "2"}, {"plain text", "3"}}));
}

TEST_P(DataSourceConformance, NamesWithQuotesAndBrackets) {
  const std::string table = "odd ]\"' name";
  const std::string column = "col \"x\" ]y[";
  MakeTable(table, {column, "Upper"}, {"string", "integer"}, {{"v", "1"}});
  std::vector<std::string> names;
  ASSERT_TRUE(source_.FieldNames(SelectAllFrom(table), names));
  EXPECT_EQ(names, (std::vector<std::string>{column, "Upper"}));
  EXPECT_EQ(Rows("select " + QuoteIdent(column) + ", [Upper] from " + QuoteIdent(table)),
            (Table{{"v", "1"}}));
  EXPECT_TRUE(source_.TableExists(table));
  EXPECT_TRUE(source_.DropTable(table));
  EXPECT_FALSE(source_.TableExists(table));
}

// The class query of the case model names its column in double quotes, the others in brackets.
TEST_P(DataSourceConformance, DoubleQuotedColumnsKeepTheirCase) {
  MakeTable("Cases", {"Outlook", "Play"}, {"string", "string"},
            {{"sunny", "no"}, {"rainy", "yes"}, {"sunny", "yes"}});
  EXPECT_EQ(Rows("select \"Play\" from [Cases] group by \"Play\""), (Table{{"no"}, {"yes"}}));
}

TEST_P(DataSourceConformance, FailuresReturnFalseAndLeaveTheObjectUsable) {
  MakeTable("t", {"x"}, {"real"}, {{"1"}});
  EXPECT_FALSE(source_.Execute("this is not sql"));
  EXPECT_FALSE(source_.LastError().empty());
  EXPECT_FALSE(source_.Query("select * from missing_table"));
  std::vector<std::string> row;
  EXPECT_FALSE(source_.FirstRow(row));
  EXPECT_FALSE(source_.DropTable("missing_table"));
  EXPECT_FALSE(source_.CreateTable("t", {"x"}, {"real"}));
  EXPECT_EQ(Rows("select * from t"), (Table{{"1"}}));
}

TEST_P(DataSourceConformance, RowCountAndFirstRowRestart) {
  MakeTable("t", {"x"}, {"integer"}, {{"1"}, {"2"}, {"3"}});
  ExclusiveUse exclusive(source_);
  ASSERT_TRUE(source_.Query("select x from t order by x"));
  EXPECT_EQ(source_.RowCount(), 3);
  std::vector<std::string> row;
  ASSERT_TRUE(source_.FirstRow(row));
  ASSERT_TRUE(source_.NextRow(row));
  EXPECT_EQ(row[0], "2");
  ASSERT_TRUE(source_.FirstRow(row));
  EXPECT_EQ(row[0], "1");
}

TEST_P(DataSourceConformance, SelectIntoKeepsTheColumnTypes) {
  MakeTable("src", {"s", "r", "i", "d"}, {"string", "real", "integer", "date"},
            {{"007", "1.5", "2", "2024-01-02"}, {"b", "2.5", "3", "2024-02-03"}});
  ASSERT_TRUE(source_.Execute("select [s], [r], [i], [d] into [copy t] from [src] where [i] > 2"))
      << source_.LastError();
  std::vector<std::string> names, types;
  ASSERT_TRUE(source_.FieldTypes(SelectAllFrom("copy t"), names, types));
  EXPECT_EQ(types, (std::vector<std::string>{"string", "float", "integer", "date"}));
  EXPECT_EQ(Rows("select * from [copy t]"), (Table{{"b", "2.5", "3", "2024-02-03"}}));
  // A statement that fails half way leaves no table behind.
  EXPECT_FALSE(source_.Execute("select [s], [nope] into [bad] from [src]"));
  EXPECT_FALSE(source_.TableExists("bad"));
}

TEST_P(DataSourceConformance, DivisionIsFloatingPoint) {
  MakeTable("t", {"n"}, {"integer"}, {{"7"}});
  EXPECT_EQ(Rows("select n/2 from t"), (Table{{"3.5"}}));
  EXPECT_EQ(Rows("select count(*)/4 from t"), (Table{{"0.25"}}));
}

// NULL sorts before every value, and groups come back in the order of their keys.
TEST_P(DataSourceConformance, RowsComeInTheSameOrderEverywhere) {
  MakeTable("t", {"s", "n"}, {"string", "integer"},
            {{"b", "2"}, {"?", "5"}, {"B", "?"}, {"a", "1"}, {"b", "?"}, {"?", "3"}});
  EXPECT_EQ(Rows("select s, n from t order by s, n desc"),
            (Table{{"?", "5"}, {"?", "3"}, {"B", "?"}, {"a", "1"}, {"b", "2"}, {"b", "?"}}));
  EXPECT_EQ(Rows("select [s], count(*) from [t] group by [s]"),
            (Table{{"?", "2"}, {"B", "1"}, {"a", "1"}, {"b", "2"}}));
  EXPECT_EQ(Rows("select n from t group by n limit 2"), (Table{{"?"}, {"1"}}));
  EXPECT_EQ(Rows("select distinct s from t order by s nulls last"),
            (Table{{"B"}, {"a"}, {"b"}, {"?"}}));
  // The order of an aggregate's rows follows the same rule.
  EXPECT_EQ(Rows("select count(*) from (select s from t order by s limit 3) q where s is null"),
            (Table{{"2"}}));
}

TEST_P(DataSourceConformance, LikeIgnoresTheCaseOfLetters) {
  MakeTable("t", {"s"}, {"string"}, {{"Sunny"}, {"rainy"}, {"SUNSET"}});
  EXPECT_EQ(Rows("select s from t where s like 'sun%' order by s"), (Table{{"SUNSET"}, {"Sunny"}}));
  EXPECT_EQ(Rows("select s from t where s not like 'SUN%'"), (Table{{"rainy"}}));
}

TEST_P(DataSourceConformance, BitColumnsHoldZeroAndOne) {
  MakeTable("t", {"b", "i"}, {"bit", "integer"},
            {{"1", "1"}, {"0", "2"}, {"true", "3"}, {"?", "4"}});
  EXPECT_EQ(Rows("select b from t order by i"), (Table{{"1"}, {"0"}, {"1"}, {"?"}}));
  EXPECT_EQ(Rows("select count(*) from t where b = true"), (Table{{"2"}}));
}

TEST_P(DataSourceConformance, AlterTableAddsAndDropsColumns) {
  MakeTable("t", {"x"}, {"integer"}, {{"1"}, {"2"}});
  ASSERT_TRUE(source_.Execute("alter table [t] add column [New Col] string"))
      << source_.LastError();
  ASSERT_TRUE(source_.Execute("alter table [t] add [flag] bit")) << source_.LastError();
  ASSERT_TRUE(
      source_.Execute("update [t] set [New Col] = 'v' || [x], [flag] = true where [x] = 2"));
  std::vector<std::string> names, types;
  ASSERT_TRUE(source_.FieldTypes(SelectAllFrom("t"), names, types));
  EXPECT_EQ(names, (std::vector<std::string>{"x", "New Col", "flag"}));
  EXPECT_EQ(types, (std::vector<std::string>{"integer", "string", "bit"}));
  EXPECT_EQ(Rows("select * from t order by x"), (Table{{"1", "?", "?"}, {"2", "v2", "1"}}));
  ASSERT_TRUE(source_.Execute("alter table [t] drop column [New Col]")) << source_.LastError();
  ASSERT_TRUE(source_.FieldNames(SelectAllFrom("t"), names));
  EXPECT_EQ(names, (std::vector<std::string>{"x", "flag"}));
}

TEST_P(DataSourceConformance, DatesAndTimestampsReadAsIsoText) {
  MakeTable("t", {"d", "ts"}, {"date", "timestamp"}, {{"2024-01-02", "2024-01-02 03:04:05"}});
  EXPECT_EQ(Rows("select d, ts from t"), (Table{{"2024-01-02", "2024-01-02 03:04:05"}}));
}

TEST_P(DataSourceConformance, TransactionKeepsGoodRowsAroundARefusedOne) {
  MakeTable("t", {"x"}, {"real"}, {});
  ASSERT_TRUE(source_.BeginTransaction());
  EXPECT_TRUE(source_.InsertRow("t", {"x"}, {"real"}, {"1"}));
  EXPECT_FALSE(source_.InsertRow("t", {"x"}, {"real"}, {"abc"}));
  EXPECT_FALSE(source_.Execute("insert into t(nope) values(1)"));
  EXPECT_FALSE(source_.Query("select nope from t"));
  EXPECT_TRUE(source_.InsertRow("t", {"x"}, {"real"}, {"2"}));
  ASSERT_TRUE(source_.Commit()) << source_.LastError();
  EXPECT_EQ(Count("t"), 2);
  ASSERT_TRUE(source_.BeginTransaction());
  EXPECT_TRUE(source_.InsertRow("t", {"x"}, {"real"}, {"3"}));
  ASSERT_TRUE(source_.Rollback());
  EXPECT_EQ(Count("t"), 2);
}

// A job reads a table and changes other rows as it goes, all in one transaction.
TEST_P(DataSourceConformance, UpdatesWhileFollowingAResultSet) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 10000; ++i) rows.push_back({std::to_string(i), "0"});
  ASSERT_TRUE(source_.BeginTransaction());
  MakeTable("t", {"id", "seen"}, {"integer", "integer"}, rows);
  ASSERT_TRUE(source_.Commit());
  {
    ExclusiveUse exclusive(source_);
    ASSERT_TRUE(source_.BeginTransaction());
    ASSERT_TRUE(source_.Query("select id from t order by id"));
    std::vector<std::string> row;
    long read = 0;
    for (bool more = source_.FirstRow(row); more; more = source_.NextRow(row)) {
      if (++read % 100 == 0) {
        ASSERT_TRUE(source_.Execute("update t set seen = 1 where id = " + row[0]));
      }
    }
    EXPECT_EQ(read, 10000);
    ASSERT_TRUE(source_.Commit()) << source_.LastError();
  }
  EXPECT_EQ(Rows("select count(*) from t where seen = 1"), (Table{{"100"}}));
}

// Two jobs share the data source; under the lock each reads its own result set whole.
TEST_P(DataSourceConformance, ThreadsUnderTheLockNeverInterleaveResultSets) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 50; ++i) rows.push_back({std::to_string(i)});
  MakeTable("ta", {"x"}, {"integer"}, rows);
  rows.clear();
  for (int i = 1000; i < 1050; ++i) rows.push_back({std::to_string(i)});
  MakeTable("tb", {"x"}, {"integer"}, rows);
  std::atomic<int> bad{0};
  auto worker = [&](const std::string& table, int base) {
    for (int round = 0; round < 40; ++round) {
      ExclusiveUse exclusive(source_);
      if (!source_.Query("select x from " + table + " order by x")) {
        ++bad;
        continue;
      }
      std::vector<std::string> row;
      int expected = base;
      for (bool more = source_.FirstRow(row); more; more = source_.NextRow(row)) {
        if (std::stoi(row[0]) != expected++) ++bad;
      }
      if (expected != base + 50) ++bad;
    }
  };
  std::thread a(worker, "ta", 0);
  std::thread b(worker, "tb", 1000);
  a.join();
  b.join();
  EXPECT_EQ(bad.load(), 0);
}

// Two connections reading a table's halves at once must give its rows in the one order a
// single reader sees, also after updates moved rows (PostgreSQL writes an updated row anew at
// the end of the table), and when the server's estimate of the rows is stale. Inside a
// transaction a second connection would not see its changes, so there is no second reader.
TEST_P(DataSourceConformance, TwoHalvesReadAsOneStream) {
  auto twoHalves = std::make_unique<testing::SqliteInTwoHalves>();
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 2501; ++i) rows.push_back({std::to_string(i), i % 7 == 0 ? "?" : "v"});
  {
    Transaction transaction(source_);  // one commit, not one per row
    MakeTable("big", {"n", "s"}, {"integer", "string"}, rows);
    ASSERT_TRUE(transaction.Commit().ok());
  }
  ASSERT_TRUE(source_.Execute("update big set s = 'w' where n % 10 = 3"));

  long secondFirstRow = 0;
  auto reader = [&secondFirstRow](Table& into) {
    return [&into, &secondFirstRow](DataSource& connection, long limit, long firstRow) {
      std::vector<std::string> row;
      for (bool more = limit != 0 && connection.FirstRow(row); more;
           more =
               (limit < 0 || static_cast<long>(into.size()) < limit) && connection.NextRow(row)) {
        into.push_back(row);
      }
      if (firstRow > 1) secondFirstRow = firstRow;
      return static_cast<long>(into.size());
    };
  };
  auto readInHalves = [&](long minRows, Table& first) {
    Table second;
    secondFirstRow = 0;
    ExclusiveUse exclusive(source_);
    if (!ReadInTwoHalves(source_, "big", minRows, reader(first), reader(second))) return false;
    EXPECT_EQ(secondFirstRow, static_cast<long>(first.size()) + 1);
    first.insert(first.end(), second.begin(), second.end());
    return true;
  };
  Table read;
  ASSERT_TRUE(readInHalves(1000, read));
  EXPECT_EQ(read.size(), 2501u);
  EXPECT_EQ(read, Rows("select * from big"));

  // The server now estimates 2501 rows, and keeps that estimate after rows go or come.
  if (OnPostgres()) {
    ASSERT_TRUE(source_.Execute("analyze big"));
  }
  ASSERT_TRUE(source_.Execute("delete from big where n % 9 = 4"));
  read.clear();
  ASSERT_TRUE(readInHalves(1000, read));
  EXPECT_EQ(read, Rows("select * from big"));
  ASSERT_TRUE(source_.Execute("insert into big select n + 5000, s from big where n < 900"));
  read.clear();
  ASSERT_TRUE(readInHalves(1000, read));
  EXPECT_EQ(read, Rows("select * from big"));
  ASSERT_TRUE(source_.Execute("delete from big where n < 2400 or n >= 5000"));
  read.clear();
  EXPECT_FALSE(readInHalves(1000, read));  // too few rows, or for the estimate's first half

  read.clear();
  EXPECT_FALSE(readInHalves(5000, read));
  // Loaders read SQLite tables in one stream unless asked otherwise.
  if (!OnPostgres()) {
    twoHalves.reset();
    read.clear();
    EXPECT_FALSE(readInHalves(1, read));
    twoHalves = std::make_unique<testing::SqliteInTwoHalves>();
  }
  ExclusiveUse exclusive(source_);
  Transaction transaction(source_);
  Table first;
  Table second;
  EXPECT_FALSE(ReadInTwoHalves(source_, "big", 1, reader(first), reader(second)));
}

// Each column's values in its own group order, NULL first, whether each column is grouped by a
// query of its own or all of them at once; a column asked for twice, in other quotes, gets the
// same values twice.
TEST_P(DataSourceConformance, GroupedValuesOfSeveralColumns) {
  MakeTable("g t", {"cls", "a", "n"}, {"string", "string", "integer"},
            {{"y", "b", "3"}, {"x", "?", "1"}, {"y", "B", "?"}, {"x", "b", "3"}, {"z", "a", "2"}});
  std::vector<std::vector<std::string>> values;
  const auto statuses =
      ReadGroupedValues(source_, "[g t]", {"\"cls\"", "[a]", "[n]", "[cls]"}, values);
  ASSERT_EQ(statuses.size(), 4u);
  for (const Status& status : statuses) EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(values,
            (Table{{"x", "y", "z"}, {"?", "B", "a", "b"}, {"?", "1", "2", "3"}, {"x", "y", "z"}}));
  EXPECT_EQ(ReadGroupedValues(source_, "[g t]", {"[a]"}, values).front().ok(), true);
  EXPECT_EQ(values, (Table{{"?", "B", "a", "b"}}));
  const auto failed = ReadGroupedValues(source_, "[g t]", {"[a]", "[nothing]"}, values);
  EXPECT_TRUE(failed[0].ok());
  EXPECT_FALSE(failed[1].ok());
  EXPECT_EQ(values[0], (std::vector<std::string>{"?", "B", "a", "b"}));
}

// A whole table read by QueryTable gives the cells a plain SELECT gives, whatever the values:
// on PostgreSQL most columns then arrive as one row value text per row, which must split back
// into exactly the driver's cells, awkward texts and the driver's own number and boolean texts
// included.
TEST_P(DataSourceConformance, WholeTableReadsAsItsCells) {
  const std::string longText = std::string(3000, 'x') + ",\"()\\ " + std::string(70000, 'y');
  const std::string columns =
      "(i2 smallint, i4 integer, i8 bigint, f4 real, f8 double precision, n numeric, "
      "n3 numeric(12,3), b boolean, d date, ts timestamp, s text, v varchar(300), c char(4), "
      "[mixed Case] text, [t] text, [q\"uote]]] integer)";
  ASSERT_TRUE(source_.Execute("create table t" + columns)) << source_.LastError();
  std::vector<std::string> values = {
      "1, -2, 9000000000, 1.5, 0.1, 12.5, 12.340, true, '2024-02-29', '2024-02-29 13:45:07.25', "
      "'a,b (c) \"d\" \\e', 'x y', 'ab', 'ü€', '', 1",
      "null, null, null, null, null, null, null, null, null, null, null, null, null, null, null, "
      "null",
      "-32768, -2147483648, -9223372036854775808, 3.4028235e38, 1.7976931348623157e308, "
      "0.000001, -0.5, false, '1999-12-31', '1999-12-31 23:59:59', '', '', '', '?', '\"', 0",
      "0, 0, 0, 1e-7, 0.30000000000000004, 123456789012345678901234567890.123, 0, null, null, "
      "null, ' lead', 'trail ', ' ', 'tab\there', 'line\nbreak', null",
      "7, 8, 9, -0.0, 1e-300, 100, 1, true, null, null, ')', '(', ',', '\"\"', '\\', 2",
      "1, 1, 1, 123456.7, 1234567.891, 1, 1, true, null, null, " + QuoteLiteral(longText) + ", " +
          QuoteLiteral(longText.substr(0, 300)) + ", 'abcd', '\\\"', '()', 3",
  };
  if (OnPostgres()) {
    // Values only PostgreSQL stores, which its driver rewrites or passes on as they are.
    values.push_back(
        "1, 1, 1, 'NaN', 'Infinity', 'NaN', 'NaN', false, 'infinity', '-infinity', 'x', 'y', "
        "'z', 'w', 'v', 4");
    values.push_back(
        "1, 1, 1, '-Infinity', '-Infinity', 1, 1, false, '0044-03-15 BC', "
        "'0044-03-15 10:00:00.5 BC', 'x', 'y', 'z', 'w', 'v', 5");
  }
  for (const std::string& row : values)
    ASSERT_TRUE(source_.Execute("insert into t values(" + row + ")")) << source_.LastError();

  const Table cells = Rows("select * from t");
  ASSERT_EQ(cells.size(), values.size());
  EXPECT_EQ(cells[5][10], longText);
  auto readTable = [this](long skip) {
    Table out;
    ExclusiveUse exclusive(source_);
    EXPECT_TRUE(source_.QueryTable("t", skip)) << source_.LastError();
    // The fast path must really be taken where it exists, or this test would prove nothing.
    EXPECT_EQ(source_.ResultStatement().rfind("select row(", 0) == 0, OnPostgres());
    std::vector<std::string> row;
    for (bool more = source_.FirstRow(row); more; more = source_.NextRow(row)) out.push_back(row);
    return out;
  };
  // Differences are told by place, in short: some cells are tens of thousands of bytes long.
  auto expectSame = [](const Table& read, const Table& expected) {
    ASSERT_EQ(read.size(), expected.size());
    for (size_t r = 0; r < read.size(); ++r) {
      ASSERT_EQ(read[r].size(), expected[r].size()) << "row " << r;
      for (size_t c = 0; c < read[r].size(); ++c) {
        EXPECT_TRUE(read[r][c] == expected[r][c])
            << "row " << r << " column " << c << ": " << read[r][c].substr(0, 60) << " instead of "
            << expected[r][c].substr(0, 60);
      }
    }
  };
  expectSame(readTable(0), cells);
  expectSame(readTable(4), Table(cells.begin() + 4, cells.end()));

  // A table with a single column of the kinds sent as row values, and one with none.
  ASSERT_TRUE(source_.Execute("create table dates(d date, s text, ts timestamp)"));
  ASSERT_TRUE(source_.Execute("insert into dates values('2020-01-02', 'a,b', null)"));
  ExclusiveUse exclusive(source_);
  ASSERT_TRUE(source_.QueryTable("dates"));
  std::vector<std::string> row;
  ASSERT_TRUE(source_.FirstRow(row));
  EXPECT_EQ(row, (std::vector<std::string>{"2020-01-02", "a,b", "?"}));
  EXPECT_FALSE(source_.NextRow(row));
  EXPECT_FALSE(source_.QueryTable("no such table"));
  EXPECT_TRUE(source_.QueryTable("dates", 1));
  EXPECT_FALSE(source_.FirstRow(row));
}

}  // namespace
}  // namespace quarry
