#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "core/data/connect_string.h"
#include "core/data/working_folder.h"
#include "tests/core/data/data_source_conformance.h"
#include "tests/support/file_text.h"

namespace quarry {

INSTANTIATE_TEST_SUITE_P(Sqlite, DataSourceConformance,
                         ::testing::Values(testing::Backend::kSqlite), testing::BackendName);

namespace {

using testing::DatabaseTest;

// What only SQLite files do: the file must exist, and a WITH-first change is refused there.
class DataSourceTest : public DatabaseTest {};

TEST_F(DataSourceTest, ChangesStartingWithWithAreRefusedNotSilentlyDropped) {
  MakeTable("t", {"x"}, {"integer"}, {});
  EXPECT_FALSE(source_.Execute("with n(i) as (select 1) insert into t select i from n"));
  EXPECT_NE(source_.LastError().find("WITH"), std::string::npos);
  ASSERT_TRUE(source_.Execute("insert into t with n(i) as (select 1) select i from n"));
  EXPECT_EQ(Count("t"), 1);
}

// The SQLite library is set up before its first database opens, whichever opens first: set up
// later, it would keep counting its memory under a process-wide lock at every cell read.
TEST_F(DataSourceTest, SqliteLibraryIsSetUpBeforeItStarts) {
  MakeTable("t", {"x", "s"}, {"real", "string"}, {{"1.5", "a"}, {"?", "b"}});
  EXPECT_EQ(Rows("select * from t").size(), 2u);
  EXPECT_EQ(sqlite3_memory_used(), 0);
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
  const std::string text = testing::FileText(WorkingFile("prova.txt"));
  EXPECT_EQ(text.find("topsecret"), std::string::npos);
  EXPECT_NE(text.find(dbPath_.string()), std::string::npos);
  struct stat info {};
  ASSERT_EQ(stat(WorkingFile("prova.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace quarry
