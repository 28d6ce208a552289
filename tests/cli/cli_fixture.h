#pragma once
// quarry-cli run as a user runs it, each test in a working folder of its own, so the sample
// database is a fresh copy every time.

#include <gtest/gtest.h>

#include <fstream>

#include "core/data/working_folder.h"
#include "tests/support/cli_runner.h"
#include "tests/support/temp_database.h"

namespace quarry::testing {

class CliFixture : public ::testing::Test {
 protected:
  void SetUp() override { setenv("QUARRY_SAMPLE_DB", QUARRY_SAMPLE_DB, 1); }
  CliRun Run(const std::vector<std::string>& args) { return RunCli(QUARRY_CLI, args); }
  // What a query prints (header and rows), or the error when it fails.
  std::string Query(const std::string& sql) {
    CliRun run = Run({"query", sql});
    return run.exitCode == 0 ? run.out : run.err;
  }
  // Writes `text` as the file `name` of the working folder.
  static void Write(const std::string& name, std::string_view text) {
    std::ofstream(WorkingFile(name), std::ios::binary) << text;
  }
  TempFolder folder_;
};

}  // namespace quarry::testing
