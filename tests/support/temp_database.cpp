#include "tests/support/temp_database.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "core/data/connect_string.h"
#include "core/data/sql_quote.h"
#include "core/data/working_folder.h"

namespace quarry::testing {

TempFolder::TempFolder() {
  std::random_device device;
  path_ = std::filesystem::temp_directory_path() /
          ("quarry-test-" + std::to_string(device()) + std::to_string(device()));
  std::filesystem::create_directories(path_);
  if (const char* old = std::getenv("QUARRY_HOME")) {
    hadHome_ = true;
    oldHome_ = old;
  }
  setenv("QUARRY_HOME", path_.c_str(), 1);
}

TempFolder::~TempFolder() {
  if (hadHome_) {
    setenv("QUARRY_HOME", oldHome_.c_str(), 1);
  } else {
    unsetenv("QUARRY_HOME");
  }
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::map<std::string, std::string> TakeWorkingFiles() {
  const std::filesystem::path folder = WorkingFolder();
  std::map<std::string, std::string> files;
  std::vector<std::filesystem::path> taken;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().lexically_relative(folder).string();
    if (!entry.is_regular_file() || name.rfind("test.sqlite", 0) == 0) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[name] = std::string(std::istreambuf_iterator<char>(in), {});
    taken.push_back(entry.path());
  }
  for (const auto& path : taken) std::filesystem::remove(path);
  return files;
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kSqlite ? "Sqlite" : "Postgres";
}

void DatabaseTest::OpenBackend(Backend backend) {
  if (backend == Backend::kPostgres) {
    const auto server = PostgresTestServer();
    if (!server) GTEST_SKIP() << kNoPostgresServer;
    postgres_ = std::make_unique<ScratchPostgresDatabase>(*server);
    ASSERT_TRUE(postgres_->ok()) << postgres_->error();
    connect_ = postgres_->connectString();
  } else {
    dbPath_ = folder_.path() / "test.sqlite";
    std::string error;
    ASSERT_TRUE(DataSource::CreateSqliteFile(dbPath_.string(), &error)) << error;
    connect_ = SqliteConnectString(dbPath_.string());
  }
  ASSERT_TRUE(source_.Open(connect_)) << source_.LastError();
}

void DatabaseTest::MakeTable(const std::string& table, const std::vector<std::string>& names,
                             const std::vector<std::string>& types,
                             const std::vector<std::vector<std::string>>& rows) {
  ASSERT_TRUE(source_.CreateTable(table, names, types)) << source_.LastError();
  for (const auto& row : rows)
    ASSERT_TRUE(source_.InsertRow(table, names, types, row)) << source_.LastError();
}

std::vector<std::vector<std::string>> DatabaseTest::Rows(const std::string& sql) {
  std::vector<std::vector<std::string>> out;
  ExclusiveUse exclusive(source_);
  EXPECT_TRUE(source_.Query(sql)) << source_.LastError();
  std::vector<std::string> row;
  for (bool more = source_.FirstRow(row); more; more = source_.NextRow(row)) out.push_back(row);
  return out;
}

long DatabaseTest::Count(const std::string& table) {
  auto rows = Rows("select count(*) from " + QuoteIdent(table));
  return rows.empty() ? -1 : std::stol(rows[0][0]);
}

std::vector<std::string> DatabaseTest::Tables() {
  std::vector<std::string> names;
  EXPECT_TRUE(source_.ListTables(names)) << source_.LastError();
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> DatabaseTest::PostgresColumnTypes(const std::string& table) {
  std::vector<std::string> types;
  for (const auto& row :
       Rows("select format_type(atttypid, atttypmod) from pg_attribute where attrelid = "
            "to_regclass(" +
            QuoteLiteral(table) + ") and attnum > 0 and not attisdropped order by attnum")) {
    types.push_back(row[0]);
  }
  return types;
}

}  // namespace quarry::testing
