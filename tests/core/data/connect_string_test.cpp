#include <gtest/gtest.h>

#include "core/data/connect_string.h"
#include "core/data/postgres_session.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

TEST(ConnectString, PasswordsNeverLeaveMaskedOrRemoved) {
  const std::string cs =
      "DRIVER={PostgreSQL Unicode};Server=localhost;UID=ann;PWD=s3cr;et;Database=x";
  EXPECT_EQ(MaskPassword("DSN=x;UID=a;PWD=secret"), "DSN=x;UID=a;PWD=********");
  EXPECT_EQ(MaskPassword("DSN=x;password={se;cret}"), "DSN=x;password=********");
  EXPECT_EQ(RemovePassword("DSN=x;Pwd=secret;UID=a"), "DSN=x;UID=a");
  // A password with ";" written without braces: what follows up to the last entry that is no
  // "key=value" may be part of it.
  EXPECT_EQ(MaskPassword(cs),
            "DRIVER={PostgreSQL Unicode};Server=localhost;UID=ann;PWD=********;Database=x");
  EXPECT_EQ(MaskPassword("DSN=x;PWD=a;secret"), "DSN=x;PWD=********");
  EXPECT_EQ(RemovePassword("DSN=x;PWD=a;b=c;secret;UID=u"), "DSN=x;UID=u");
}

TEST(ConnectString, ReadsValuesAndSqliteFiles) {
  EXPECT_EQ(ConnectStringValue("DRIVER={SQLite3};database=/a/b.db", "Database").value(), "/a/b.db");
  EXPECT_EQ(SqliteDatabaseFile("DRIVER=SQLite3;Database=/x.db").value(), "/x.db");
  EXPECT_FALSE(SqliteDatabaseFile("DSN=pg;Database=x"));
}

TEST(ConnectString, SetsValuesWithoutDuplicatingKeys) {
  EXPECT_EQ(WithConnectValue("DSN=pg;database=a;UID=u", "Database", "b"),
            "DSN=pg;Database=b;UID=u");
  EXPECT_EQ(WithConnectValue("DSN=pg;", "Fetch", "10"), "DSN=pg;Fetch=10");
  EXPECT_EQ(WithConnectValue("DSN=pg", "PWD", "a;b"), "DSN=pg;PWD={a;b}");
  EXPECT_EQ(ConnectStringValue(WithConnectValue("DSN=pg", "PWD", "a;b"), "pwd").value(), "a;b");
  const std::string pg = PostgresConnectString("127.0.0.1", 5432, "db", "ann", "p;w");
  EXPECT_EQ(pg,
            "DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;Database=db;UID=ann;PWD={p;w}");
  EXPECT_EQ(MaskPassword(pg).find("p;w"), std::string::npos);
}

// The options the data source relies on are added, but what the user set stays.
TEST(PostgresSession, DriverOptionsGiveWayToTheUsersOwn) {
  const std::string connect = WithPostgresDriverOptions("DSN=pg;usedeclarefetch=0");
  EXPECT_EQ(ConnectStringValue(connect, "UseDeclareFetch").value(), "0");
  EXPECT_EQ(ConnectStringValue(connect, "BoolsAsChar").value(), "0");
  EXPECT_TRUE(HasPostgresDriverOptions(connect));
  EXPECT_FALSE(HasPostgresDriverOptions("DSN=pg"));
}

TEST(ConnectString, FilePathsMustExist) {
  testing::TempFolder folder;
  const auto missing = folder.path() / "missing.sqlite";
  EXPECT_FALSE(ConnectStringForDatabase(missing.string()));
  EXPECT_FALSE(std::filesystem::exists(missing));
  std::string error;
  ASSERT_TRUE(DataSource::CreateSqliteFile((folder.path() / "db.sqlite").string(), &error))
      << error;
  auto cs = ConnectStringForDatabase((folder.path() / "db.sqlite").string());
  ASSERT_TRUE(cs);
  EXPECT_NE(cs->find("NoCreat=1"), std::string::npos);
  EXPECT_EQ(ConnectStringForDatabase("DSN=anything").value(), "DSN=anything");
}

}  // namespace
}  // namespace quarry
