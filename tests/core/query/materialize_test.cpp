#include <gtest/gtest.h>

#include "core/query/materialize.h"
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

  std::string asked;
  Status kept = MaterializeQuery(source_, "select a from t", "m", [&](const std::string& q) {
    asked = q;
    return false;
  });
  EXPECT_EQ(kept.code(), StatusCode::kCancelled);
  EXPECT_EQ(asked, kTableExistsOverwrite);
  EXPECT_EQ(Rows("select * from m"), (Table{{"y", "2"}}));

  ASSERT_TRUE(MaterializeQuery(source_, "select a from t", "m", [](const std::string&) { return true; }).ok());
  EXPECT_EQ(Count("m"), 2);

  Status bad = MaterializeQuery(source_, "select 1", "n", never);
  EXPECT_EQ(bad.message(), kErrorInSqlStatement);
}

}  // namespace
}  // namespace quarry
