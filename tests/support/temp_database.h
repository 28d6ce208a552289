#pragma once
// A fresh SQLite database and working folder per test, removed afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/data/data_source.h"

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

// A test with an open DataSource on an empty SQLite database in a temporary working folder.
class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // Creates `table` with the given columns and types and inserts rows ("?" for NULL).
  void MakeTable(const std::string& table, const std::vector<std::string>& names,
                 const std::vector<std::string>& types,
                 const std::vector<std::vector<std::string>>& rows);
  // Every row of the statement, as text.
  std::vector<std::vector<std::string>> Rows(const std::string& sql);
  long Count(const std::string& table);

  TempFolder folder_;
  std::filesystem::path dbPath_;
  DataSource source_;
};

}  // namespace quarry::testing
