#include <gtest/gtest.h>

#include "tests/cli/cli_fixture.h"

namespace quarry {
namespace {

class QueryCli : public testing::CliFixture {};

TEST_F(QueryCli, QueriesRunUpperCasedAndAreStoredOnce) {
  const std::string sql =
      "select outlook, count(*) as days from golf_data where play = 'yes' group by outlook";
  auto run = Run({"query", sql});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "outlook\tDAYS\novercast\t4\nrainy\t3\nsunny\t2\n");
  ASSERT_EQ(Run({"query", sql}).exitCode, 0);
  ASSERT_EQ(Run({"query", "select * from golf_test"}).exitCode, 0);
  EXPECT_EQ(Run({"tables"}).out.find("QRY"), std::string::npos);  // the scratch tables are gone

  run = Run({"stored-queries"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "Query #1\t" + sql + "\nQuery #2\tselect * from golf_test\n");

  run = Run({"stored-queries", "--execute", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "outlook\ttemperature\thumidity\twindy\tplay");
  run = Run({"stored-queries", "--materialize", "1", "--name", "yes_days"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Query("select sum(days) as n from yes_days"), "N\n9\n");
  for (const char* number : {"9", "0"}) {
    run = Run({"stored-queries", "--execute", number});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              std::string("there is no Query #") + number + " for this database (3 stored)\n");
  }
}

TEST_F(QueryCli, QueriesOfAnotherDatabaseAreNotListed) {
  ASSERT_EQ(Run({"query", "select * from golf_data"}).exitCode, 0);
  const auto other = folder_.path() / "other.sqlite";
  ASSERT_EQ(Run({"create-db", other.string()}).exitCode, 0);
  auto run = Run({"--db", other.string(), "stored-queries"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST_F(QueryCli, RefusedStatementsAreNeitherRunNorStored) {
  auto run = Run({"query", "select 1 + 1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Error in SQL Statement\n");
  run = Run({"query", "select nonsense from golf_data"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.rfind("Error in SQL Statement: ", 0), 0u);
  run =
      Run({"materialize", "select nonsense from golf_data", "--name", "golf_data", "--overwrite"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(Query("select count(*) as n from golf_data"), "N\n14\n");
  EXPECT_EQ(Run({"stored-queries"}).out, "Query #1\tselect count(*) as n from golf_data\n");
}

}  // namespace
}  // namespace quarry
