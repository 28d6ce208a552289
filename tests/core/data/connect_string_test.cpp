#include <gtest/gtest.h>

#include "core/data/connect_string.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

TEST(ConnectString, PasswordsNeverLeaveMaskedOrRemoved) {
  const std::string cs = "DRIVER={PostgreSQL Unicode};Server=localhost;UID=ann;PWD=s3cr;et;Database=x";
  EXPECT_EQ(MaskPassword("DSN=x;UID=a;PWD=secret"), "DSN=x;UID=a;PWD=********");
  EXPECT_EQ(MaskPassword("DSN=x;password={se;cret}"), "DSN=x;password=********");
  EXPECT_EQ(RemovePassword("DSN=x;Pwd=secret;UID=a"), "DSN=x;UID=a");
  EXPECT_EQ(MaskPassword(cs).find("s3cr"), std::string::npos);
}

TEST(ConnectString, ReadsValuesAndSqliteFiles) {
  EXPECT_EQ(ConnectStringValue("DRIVER={SQLite3};database=/a/b.db", "Database").value(), "/a/b.db");
  EXPECT_EQ(SqliteDatabaseFile("DRIVER=SQLite3;Database=/x.db").value(), "/x.db");
  EXPECT_FALSE(SqliteDatabaseFile("DSN=pg;Database=x"));
}

TEST(ConnectString, FilePathsMustExist) {
  testing::TempFolder folder;
  const auto missing = folder.path() / "missing.sqlite";
  EXPECT_FALSE(ConnectStringForDatabase(missing.string()));
  EXPECT_FALSE(std::filesystem::exists(missing));
  std::string error;
  ASSERT_TRUE(DataSource::CreateSqliteFile((folder.path() / "db.sqlite").string(), &error)) << error;
  auto cs = ConnectStringForDatabase((folder.path() / "db.sqlite").string());
  ASSERT_TRUE(cs);
  EXPECT_NE(cs->find("NoCreat=1"), std::string::npos);
  EXPECT_EQ(ConnectStringForDatabase("DSN=anything").value(), "DSN=anything");
}

}  // namespace
}  // namespace quarry
