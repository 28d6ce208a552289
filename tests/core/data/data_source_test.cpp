#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/data/connect_string.h"
#include "core/data/sql_quote.h"
#include "core/data/working_folder.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using testing::DatabaseTest;
using Table = std::vector<std::vector<std::string>>;

class DataSourceTest : public DatabaseTest {};

TEST_F(DataSourceTest, CatalogListsTablesButNoViews) {
  std::vector<std::string> names;
  ASSERT_TRUE(source_.Execute("create view only_view as select 1 as x"));
  ASSERT_TRUE(source_.ListTables(names));
  EXPECT_TRUE(names.empty());
  MakeTable("b_table", {"x"}, {"real"}, {});
  MakeTable("a table", {"x"}, {"real"}, {});
  ASSERT_TRUE(source_.ListTables(names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a table", "b_table"}));
  EXPECT_TRUE(source_.TableExists("a table"));
  EXPECT_FALSE(source_.TableExists("only_view"));
}

TEST_F(DataSourceTest, TypeNamesOfProgramAndPlainSqlColumns) {
  const std::vector<std::string> words = {"string", "real", "integer", "float", "double", "bit",
                                          "date", "timestamp", "varchar(10)", "numeric"};
  std::vector<std::string> names;
  for (size_t i = 0; i < words.size(); ++i) names.push_back("c" + std::to_string(i));
  ASSERT_TRUE(source_.CreateTable("typed", names, words)) << source_.LastError();
  std::vector<std::string> gotNames, types;
  ASSERT_TRUE(source_.FieldTypes(SelectAllFrom("typed"), gotNames, types));
  EXPECT_EQ(gotNames, names);
  EXPECT_EQ(types, (std::vector<std::string>{"string", "float", "integer", "float", "float", "bit",
                                             "date", "timestamp", "string", "float"}));

  ASSERT_TRUE(source_.Execute("create table plain(a TEXT, b INTEGER, c REAL, d VARCHAR(5))"));
  ASSERT_TRUE(source_.FieldTypes("select * from plain", gotNames, types));
  EXPECT_EQ(types, (std::vector<std::string>{"string", "integer", "float", "string"}));
}

TEST_F(DataSourceTest, ValuesRoundTripAsText) {
  MakeTable("v", {"s", "r", "i"}, {"string", "real", "integer"},
            {{"007", "85", "3"}, {"O'Brien", "3,5", "?"}, {"?", "?", "?"}, {"x", "0.1", "-2"},
             {"tiny", "1e-7", "0"}});
  EXPECT_EQ(Rows("select * from v"),
            (Table{{"007", "85", "3"}, {"O'Brien", "3.5", "?"}, {"?", "?", "?"}, {"x", "0.1", "-2"},
                  {"tiny", "1E-07", "0"}}));
}

TEST_F(DataSourceTest, LongValuesAreReadWhole) {
  const std::string big(20000, 'x');
  MakeTable("big", {"s"}, {"string"}, {{big}});
  EXPECT_EQ(Rows("select s from big")[0][0], big);
}

TEST_F(DataSourceTest, NumbersAreNeverWrittenBareUnlessTheyAreNumbers) {
  MakeTable("t", {"s", "r"}, {"string", "real"}, {});
  EXPECT_FALSE(source_.InsertRow("t", {"s", "r"}, {"string", "real"}, {"a", "1); drop table t; --"}));
  EXPECT_TRUE(source_.InsertRow("t", {"s", "r"}, {"string", "real"}, {"1); drop table t; --", "2"}));
  EXPECT_TRUE(source_.InsertRow("t", {"s", "r"}, {"varchar(20)", "real"}, {"plain text", "3"}));
  EXPECT_EQ(Rows("select * from t"), (Table{{"1); drop table t; --", "2"}, {"plain text", "3"}}));
}

TEST_F(DataSourceTest, FailuresReturnFalseAndLeaveTheObjectUsable) {
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

TEST_F(DataSourceTest, RowCountAndFirstRowRestart) {
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

TEST_F(DataSourceTest, SelectIntoKeepsTheColumnTypes) {
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

TEST_F(DataSourceTest, ChangesStartingWithWithAreRefusedNotSilentlyDropped) {
  MakeTable("t", {"x"}, {"integer"}, {});
  EXPECT_FALSE(source_.Execute("with n(i) as (select 1) insert into t select i from n"));
  EXPECT_NE(source_.LastError().find("WITH"), std::string::npos);
  ASSERT_TRUE(source_.Execute("insert into t with n(i) as (select 1) select i from n"));
  EXPECT_EQ(Count("t"), 1);
}

TEST_F(DataSourceTest, DivisionIsFloatingPoint) {
  MakeTable("t", {"n"}, {"integer"}, {{"7"}});
  EXPECT_EQ(Rows("select n/2 from t")[0][0], "3.5");
}

TEST_F(DataSourceTest, TransactionKeepsGoodRowsAroundARefusedOne) {
  MakeTable("t", {"x"}, {"real"}, {});
  ASSERT_TRUE(source_.BeginTransaction());
  EXPECT_TRUE(source_.InsertRow("t", {"x"}, {"real"}, {"1"}));
  EXPECT_FALSE(source_.InsertRow("t", {"x"}, {"real"}, {"abc"}));
  EXPECT_TRUE(source_.InsertRow("t", {"x"}, {"real"}, {"2"}));
  ASSERT_TRUE(source_.Commit());
  EXPECT_EQ(Count("t"), 2);
}

TEST_F(DataSourceTest, OpenRefusesBadSourcesAndClosesThePreviousOne) {
  EXPECT_FALSE(source_.Open("DRIVER=NoSuchDriver;Database=x"));
  EXPECT_FALSE(source_.IsOpen());
  EXPECT_TRUE(source_.ConnectString().empty());
  const auto missing = folder_.path() / "missing.sqlite";
  EXPECT_FALSE(source_.Open(SqliteConnectString(missing.string())));
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_FALSE(source_.Open("DRIVER=SQLite3;Database=" + missing.string()));
  EXPECT_FALSE(std::filesystem::exists(missing));
  ASSERT_TRUE(source_.Open(SqliteConnectString(dbPath_.string())));
}

TEST_F(DataSourceTest, OpenRecordsTheConnectStringWithoutPassword) {
  ASSERT_TRUE(source_.Open("DRIVER=SQLite3;Database=" + dbPath_.string() + ";PWD=topsecret"));
  std::ifstream in(WorkingFile("prova.txt"));
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str().find("topsecret"), std::string::npos);
  EXPECT_NE(text.str().find(dbPath_.string()), std::string::npos);
  struct stat info {};
  ASSERT_EQ(stat(WorkingFile("prova.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Two jobs share the data source; under the lock each reads its own result set whole.
TEST_F(DataSourceTest, ThreadsUnderTheLockNeverInterleaveResultSets) {
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

}  // namespace
}  // namespace quarry
