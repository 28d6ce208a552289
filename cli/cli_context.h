#pragma once
// What every quarry-cli command shares: the database named by --db (or the sample database),
// the exit codes, and progress on stderr.

#include <functional>
#include <iostream>
#include <string>

#include "core/common/status.h"
#include "core/data/data_source.h"
#include "core/jobs/progress.h"

namespace CLI {
class App;
}

namespace quarry::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct CliContext {
  std::string database;           // --db: a connect string or an SQLite file
  DataSource source;
  std::function<int()> action;    // set by the chosen subcommand

  // Opens --db or the sample database; prints "invalid Data Source" and why on failure.
  bool OpenDatabase();
  // Prints a failed status's message (the user-facing text) and returns kExitFailure.
  static int Fail(const Status& status);
};

// A file the user names: a bare name is looked up in the working folder first, then taken as
// it stands (relative to the current folder).
std::string InputFile(const std::string& file);

// Progress lines on stderr ("import: 10000 rows"), at most a few per second.
class StderrProgress : public Progress {
 public:
  void Update(std::string_view what, long done, long total) override;

 private:
  long long lastReport_ = 0;
};

// Each command adds its subcommand to the app and sets ctx.action when chosen.
using CommandAdder = void (*)(CLI::App& app, CliContext& ctx);

}  // namespace quarry::cli
