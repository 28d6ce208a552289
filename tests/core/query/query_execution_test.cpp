#include "core/query/query_execution.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/data/table_columns.h"
#include "core/query/materialize.h"
#include "core/query/stored_queries.h"
#include "core/query/table_view.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

class QueryExecutionTest : public testing::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    MakeTable("golf", {"outlook", "play"}, {"string", "string"},
              {{"sunny", "no"}, {"rainy", "yes"}, {"sunny", "yes"}});
  }
  Table View(const std::string& table) {
    Table seen;
    Status status = ViewTable(
        source_, table, [&](const auto& names) { seen.push_back(names); },
        [&](const auto& row) { seen.push_back(row); });
    EXPECT_TRUE(status.ok()) << status.message();
    return seen;
  }
};

TEST(UpperCaseWords, LeavesLiteralsQuotedNamesAndCommentsAlone) {
  EXPECT_EQ(UpperCaseWords("select a, 'x y' from [my t] where \"b\" = 1e3 -- note"),
            "SELECT A, 'x y' FROM [my t] WHERE \"b\" = 1e3 -- note");
}

TEST_F(QueryExecutionTest, RunsUpperCasedIntoAScratchTableAndStoresTheStatement) {
  auto executed = ExecuteQuery(
      source_, "select outlook, count(*) as n from golf where play = 'yes' group by outlook");
  ASSERT_TRUE(executed.ok()) << executed.status().message();
  EXPECT_EQ(executed->table, "QRY1");
  EXPECT_TRUE(executed->stored.ok());
  EXPECT_EQ(source_.CurrentTable(), "QRY1");
  // The alias ran upper-cased (a plain column keeps the table's spelling in SQLite's result);
  // the literal kept its case, or no row would have matched.
  EXPECT_EQ(View("QRY1"), (Table{{"outlook", "N"}, {"rainy", "1"}, {"sunny", "1"}}));

  auto second = ExecuteQuery(source_, "select * from golf");
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(second->table, "QRY2");

  ASSERT_TRUE(CloseExecutedQuery(source_, *executed).ok());
  ASSERT_TRUE(CloseExecutedQuery(source_, *second).ok());
  EXPECT_FALSE(source_.TableExists("QRY1"));
  EXPECT_FALSE(source_.TableExists("QRY2"));
  const auto stored = ListStoredQueries(source_.ConnectString());
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].sql,
            "select outlook, count(*) as n from golf where play = 'yes' group by outlook");
}

TEST_F(QueryExecutionTest, RefusedStatementsLeaveNothing) {
  auto noFrom = ExecuteQuery(source_, "select 1 + 1");
  EXPECT_EQ(noFrom.status().message(), kErrorInSqlStatement);
  auto refused = ExecuteQuery(source_, "select nonsense from golf");
  EXPECT_EQ(refused.status().code(), StatusCode::kDatabase);
  EXPECT_EQ(refused.status().message().rfind(kErrorInSqlStatement, 0), 0u);
  EXPECT_FALSE(source_.TableExists("QRY1"));
  EXPECT_TRUE(ListStoredQueries(source_.ConnectString()).empty());

  DataSource closed;
  EXPECT_EQ(ExecuteQuery(closed, "select * from golf").status().message(), kOpenDatabaseFirst);
}

TEST_F(QueryExecutionTest, TheViewerIsBusyWhileAnotherJobHoldsTheDataSource) {
  std::atomic<bool> held{false};
  std::atomic<bool> release{false};
  std::thread job([&] {
    ExclusiveUse exclusive(source_);
    held = true;
    while (!release) std::this_thread::yield();
  });
  while (!held) std::this_thread::yield();
  bool called = false;
  Status status = ViewTable(
      source_, "golf", [&](const auto&) { called = true; }, [&](const auto&) { called = true; });
  release = true;
  job.join();
  EXPECT_EQ(status.code(), StatusCode::kBusy);
  EXPECT_EQ(status.message(), kSystemBusy);
  EXPECT_FALSE(called);
  EXPECT_EQ(View("golf").size(), 4u);
}

// The viewer's pages: numbers sort as numbers, names with blanks and brackets are quoted, and
// the count is the whole table's.
TEST_F(QueryExecutionTest, TablePagesAreSortedSlicesOfTheWholeTable) {
  MakeTable("odd [t]", {"n", "my name"}, {"integer", "string"},
            {{"10", "a"}, {"9", "b"}, {"100", "c"}, {"1", "d"}, {"?", "e"}});
  auto page = [&](long offset, long limit, int column, bool descending) {
    Table seen;
    long total = -1;
    const Status status = ViewTablePage(
        source_, TablePage{"odd [t]", offset, limit, column, descending}, total,
        [&](const auto& names) { seen.push_back(names); },
        [&](const auto& row) { seen.push_back(row); });
    EXPECT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(total, 5);
    return seen;
  };
  EXPECT_EQ(page(1, 2, 0, true), (Table{{"n", "my name"}, {"10", "a"}, {"9", "b"}}));
  EXPECT_EQ(page(0, 10, -1, false).size(), 6u);
  EXPECT_EQ(page(3, 10, 1, false), (Table{{"n", "my name"}, {"1", "d"}, {"?", "e"}}));
  // A count leaves no cursor open on the table: it can be dropped right after.
  ASSERT_EQ(CountTableRows(source_, "odd [t]").value(), 5);
  EXPECT_TRUE(source_.DropTable("odd [t]")) << source_.LastError();
}

}  // namespace
}  // namespace quarry
