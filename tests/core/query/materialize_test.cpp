#include <gtest/gtest.h>

#include "core/query/materialize.h"
#include "core/query/stored_queries.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

class MaterializeTest : public testing::DatabaseTest {};

TEST_F(MaterializeTest, FindsTheOuterFrom) {
  EXPECT_EQ(FindOuterFrom("select a FROM t"), 8u);
  EXPECT_EQ(FindOuterFrom("select (select 1 from u) as x, ' from ' from t"), 39u);
  EXPECT_EQ(FindOuterFrom("select 1"), std::string::npos);
}

TEST_F(MaterializeTest, CreatesTheTableAndAsksBeforeOverwriting) {
  MakeTable("t", {"a", "b"}, {"string", "real"}, {{"x", "1"}, {"y", "2"}});
  auto never = [](const std::string&) { return false; };
  ASSERT_TRUE(MaterializeQuery(source_, "select a, b from t where b > 1", "m", never).ok());
  EXPECT_EQ(Rows("select * from m"), (Table{{"y", "2"}}));
  EXPECT_EQ(source_.CurrentTable(), "m");

  std::string asked;
  auto kept = MaterializeQuery(source_, "select a from t", "m", [&](const std::string& q) {
    asked = q;
    return false;
  });
  EXPECT_EQ(kept.status().code(), StatusCode::kCancelled);
  EXPECT_EQ(asked, kTableExistsOverwrite);
  EXPECT_EQ(Rows("select * from m"), (Table{{"y", "2"}}));

  ASSERT_TRUE(MaterializeQuery(source_, "select a from t", "m", [](const std::string&) {
                return true;
              }).ok());
  EXPECT_EQ(Count("m"), 2);

  auto bad = MaterializeQuery(source_, "select 1", "n", never);
  EXPECT_EQ(bad.status().message(), kErrorInSqlStatement);
}

// Agreeing to overwrite must not cost the old table when the new statement then fails.
TEST_F(MaterializeTest, AFailedOverwriteKeepsTheOldTable) {
  MakeTable("t", {"a"}, {"string"}, {{"x"}});
  MakeTable("m", {"old"}, {"string"}, {{"keep me"}});
  auto failed = MaterializeQuery(source_, "select nonsense from t", "m",
                                 [](const std::string&) { return true; });
  EXPECT_EQ(failed.status().code(), StatusCode::kDatabase);
  EXPECT_EQ(failed.status().message().rfind(kErrorInSqlStatement, 0), 0u);
  EXPECT_EQ(Rows("select * from m"), (Table{{"keep me"}}));
  EXPECT_TRUE(ListStoredQueries(source_.ConnectString()).empty());
}

TEST_F(MaterializeTest, StoresTheStatementsThatRan) {
  MakeTable("t", {"a"}, {"string"}, {{"x"}});
  ASSERT_TRUE(MaterializeQuery(source_, "select a from t", "m", nullptr).ok());
  const auto stored = ListStoredQueries(source_.ConnectString());
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].sql, "select a from t");
}

}  // namespace
}  // namespace quarry
