#include "core/query/stored_queries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/data/working_folder.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

const std::string kOne = "DRIVER=SQLite3;Database=/data/one.sqlite;PWD=secret";
const std::string kTwo = "DRIVER=SQLite3;Database=/data/two.sqlite";

std::string FileText() { return testing::FileText(WorkingFile(kStoredQueriesFileName)); }

TEST(StoredQueries, EachStatementIsStoredOncePerDataSource) {
  testing::TempFolder folder;
  EXPECT_TRUE(ListStoredQueries(kOne).empty());  // no file yet
  ASSERT_TRUE(StoreQuery(kOne, "select * from a").ok());
  ASSERT_TRUE(StoreQuery(kOne, "select * from a   ").ok());  // trailing blanks do not count
  ASSERT_TRUE(StoreQuery(kTwo, "select * from b").ok());
  ASSERT_TRUE(StoreQuery(kOne, "select x # y from c").ok());
  ASSERT_TRUE(StoreQuery(kTwo, "select * from a").ok());

  const auto one = ListStoredQueries(kOne);
  ASSERT_EQ(one.size(), 2u);
  EXPECT_EQ(one[0].name, "Query #1");
  EXPECT_EQ(one[0].sql, "select * from a");
  EXPECT_EQ(one[1].name, "Query #2");
  EXPECT_EQ(one[1].sql, "select x # y from c");
  const auto two = ListStoredQueries(kTwo);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].sql, "select * from a");
  // A password changes nothing about which data source it is.
  EXPECT_EQ(ListStoredQueries("DRIVER=SQLite3;Database=/data/one.sqlite;PWD=other").size(), 2u);
}

TEST(StoredQueries, TheFileHoldsOneLinePerQueryAndNoPassword) {
  testing::TempFolder folder;
  ASSERT_TRUE(StoreQuery(kOne, "select *\r\nfrom a\nwhere x = 1").ok());
  const std::string text = FileText();
  EXPECT_EQ(text, "DRIVER=SQLite3;Database=/data/one.sqlite#select *  from a where x = 1\n");
  EXPECT_EQ(text.find("secret"), std::string::npos);
  const auto perms = std::filesystem::status(WorkingFile(kStoredQueriesFileName)).permissions();
  EXPECT_EQ(perms & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_TRUE(StoreQuery(kOne, "select *\nfrom a\nwhere x = 1").ok());  // the same line once more
  EXPECT_EQ(ListStoredQueries(kOne).size(), 2u);

  // A line that cannot be written whole leaves the file as it was.
  const std::string before = FileText();
  {
    testing::FileSizeLimit full(before.size() + 10);
    EXPECT_FALSE(StoreQuery(kOne, "select " + std::string(100, 'x') + " from a").ok());
  }
  EXPECT_EQ(FileText(), before);
  // A password holding ";" without braces stays out of the file.
  ASSERT_TRUE(StoreQuery("DSN=x;PWD=a;secret", "select 1").ok());
  EXPECT_EQ(FileText().find("secret"), std::string::npos);
}

}  // namespace
}  // namespace quarry
