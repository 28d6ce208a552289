#include "core/data/database_switch.h"

#include <gtest/gtest.h>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/odbc_data_sources.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

class DatabaseSwitchTest : public testing::DatabaseTest {
 protected:
  std::string NewDatabase(const std::string& name) {
    const std::string path = (folder_.path() / name).string();
    std::string error;
    EXPECT_TRUE(DataSource::CreateSqliteFile(path, &error)) << error;
    return SqliteConnectString(path);
  }
};

TEST_F(DatabaseSwitchTest, OpensTheNewDatabaseOnceNoJobUsesTheSource) {
  const std::string before = source_.ConnectString();
  const std::string other = NewDatabase("other.sqlite");
  {
    DataSourceUser job(source_);
    Status status = SwitchDatabase(source_, other);
    EXPECT_EQ(status.code(), StatusCode::kBusy);
    EXPECT_EQ(status.message(), kDatabaseInUse);
    EXPECT_EQ(source_.ConnectString(), before);
  }
  ASSERT_TRUE(SwitchDatabase(source_, other).ok());
  EXPECT_EQ(source_.ConnectString(), other);
  EXPECT_TRUE(source_.IsOpen());
}

TEST_F(DatabaseSwitchTest, BadConnectStringKeepsTheOpenDatabase) {
  MakeTable("t", {"a"}, {"real"}, {{"1"}});
  const std::string before = source_.ConnectString();
  for (const std::string& bad :
       {std::string("DRIVER=NoSuchDriver;PWD=secret"),
        SqliteConnectString((folder_.path() / "missing.sqlite").string()), std::string()}) {
    std::string reason;
    Status status = SwitchDatabase(source_, bad, &reason);
    EXPECT_EQ(status.message(), kInvalidDataSource) << bad;
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find("secret"), std::string::npos);
    EXPECT_EQ(source_.ConnectString(), before);
    EXPECT_EQ(Count("t"), 1);
  }
}

TEST(DatabaseDisplayName, NamesTheDatabaseWithoutItsPassword) {
  EXPECT_EQ(DatabaseDisplayName(SqliteConnectString("/home/ann/QUARRY/sample.sqlite")),
            "sample.sqlite");
  EXPECT_EQ(DatabaseDisplayName("DSN=sales;UID=ann;PWD=secret"), "sales");
  EXPECT_EQ(DatabaseDisplayName("DRIVER={PostgreSQL Unicode};Server=db;UID=ann;PWD=secret"),
            "DRIVER={PostgreSQL Unicode};Server=db;UID=ann");
  EXPECT_EQ(DatabaseDisplayName(""), "");
}

TEST(OdbcDataSources, ListsWithoutFailingAndQuotesOddNames) {
  EXPECT_TRUE(ListOdbcDataSources().ok());
  EXPECT_EQ(DsnConnectString("sales"), "DSN=sales");
  EXPECT_EQ(DsnConnectString("a;b=c"), "DSN={a;b=c}");
}

}  // namespace
}  // namespace quarry
