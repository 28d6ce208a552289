#pragma once
// A fresh SQLite database and working folder per test, removed afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/data/data_source.h"
#include "core/data/two_half_read.h"
#include "tests/support/postgres_server.h"

namespace quarry::testing {

// A temporary folder that is also the working folder ($QUARRY_HOME) while it lives.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::string oldHome_;
  bool hadHome_ = false;
};

// Takes the files of the working folder out of it, the test's database aside: their names
// (relative to the folder) and their bytes. A job's output can be compared with another run's.
std::map<std::string, std::string> TakeWorkingFiles();

// The databases the data source is tested on.
enum class Backend { kSqlite, kPostgres };

// "Sqlite" or "Postgres", for the names of parameterised tests.
std::string BackendName(const ::testing::TestParamInfo<Backend>& info);

// A test with an open DataSource on an empty database in a temporary working folder: SQLite
// unless the test opens another backend.
// While it lives, SQLite tables are read in two halves as PostgreSQL ones are, so a test on SQLite
// can check that the halves join as one read would.
class SqliteInTwoHalves {
 public:
  SqliteInTwoHalves() { ReadSqliteInTwoHalves(true); }
  ~SqliteInTwoHalves() { ReadSqliteInTwoHalves(false); }
  SqliteInTwoHalves(const SqliteInTwoHalves&) = delete;
  SqliteInTwoHalves& operator=(const SqliteInTwoHalves&) = delete;
};

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenBackend(Backend::kSqlite); }

  // Opens an empty database of `backend` in source_; skips the test when no PostgreSQL server
  // is configured.
  void OpenBackend(Backend backend);

  // Creates `table` with the given columns and types and inserts rows ("?" for NULL).
  void MakeTable(const std::string& table, const std::vector<std::string>& names,
                 const std::vector<std::string>& types,
                 const std::vector<std::vector<std::string>>& rows);
  // Every row of the statement, as text.
  std::vector<std::vector<std::string>> Rows(const std::string& sql);
  long Count(const std::string& table);
  // The database's tables, sorted by name.
  std::vector<std::string> Tables();
  // On PostgreSQL: the columns' types as the catalog declares them ("numeric(20,2)").
  std::vector<std::string> PostgresColumnTypes(const std::string& table);

  TempFolder folder_;
  std::filesystem::path dbPath_;  // the SQLite file
  std::unique_ptr<ScratchPostgresDatabase> postgres_;
  std::string connect_;  // the connect string of the test's database
  DataSource source_;
};

// The same test on every backend: TEST_P(BackendTest-derived fixture, ...) instantiated with
// INSTANTIATE_TEST_SUITE_P(Sqlite, Fixture, ::testing::Values(Backend::kSqlite), BackendName).
class BackendTest : public DatabaseTest, public ::testing::WithParamInterface<Backend> {
 protected:
  void SetUp() override { OpenBackend(GetParam()); }
  bool OnPostgres() const { return GetParam() == Backend::kPostgres; }
};

}  // namespace quarry::testing
