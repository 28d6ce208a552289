#pragma once
// What every quarry-cli command shares: the database named by --db (or the sample database),
// the exit codes, and progress on stderr.

#include <csignal>
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
  std::string database;  // --db: a connect string or an SQLite file
  DataSource source;
  std::function<int()> action;  // set by the chosen subcommand

  // Opens --db or the sample database; prints "invalid Data Source" and why on failure.
  bool OpenDatabase();
  // Prints a failed status's message (the user-facing text) and returns kExitFailure.
  static int Fail(const Status& status);
};

// A file the user names: a bare name is looked up in the working folder first, then taken as
// it stands (relative to the current folder).
std::string InputFile(const std::string& file);

// Progress lines on stderr ("import: 10000 rows"), at most a few per second. While one exists,
// SIGINT (Ctrl+C) or SIGTERM stops the job the way the workbench's stop button does, so it drops
// its work tables and rolls back what it was making; a second signal ends the process at once.
class StderrProgress : public Progress {
 public:
  StderrProgress();
  ~StderrProgress() override;
  StderrProgress(const StderrProgress&) = delete;
  StderrProgress& operator=(const StderrProgress&) = delete;

  void Update(std::string_view what, long done, long total) override;
  bool Cancelled() const override;

 private:
  long long lastReport_ = 0;
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// Each command adds its subcommand to the app and sets ctx.action when chosen.
using CommandAdder = void (*)(CLI::App& app, CliContext& ctx);

}  // namespace quarry::cli
