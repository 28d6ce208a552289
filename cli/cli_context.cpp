#include "cli/cli_context.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "core/data/connect_string.h"
#include "core/data/sample_database.h"
#include "core/data/working_folder.h"

namespace quarry::cli {

bool CliContext::OpenDatabase() {
  std::string connect;
  if (database.empty()) {
    auto sample = SampleDatabase(ExecutableFolder());
    if (!sample) {
      std::cerr << "invalid Data Source\n" << sample.status().message() << "\n";
      return false;
    }
    connect = SqliteConnectString(sample->string());
  } else {
    auto resolved = ConnectStringForDatabase(database);
    if (!resolved) {
      std::cerr << "invalid Data Source\n" << resolved.status().message() << "\n";
      return false;
    }
    connect = *resolved;
  }
  if (!source.Open(connect)) {
    std::cerr << "invalid Data Source\n" << source.LastError() << "\n";
    return false;
  }
  return true;
}

int CliContext::Fail(const Status& status) {
  std::cout.flush();
  std::cerr << status.message() << "\n";
  return kExitFailure;
}

std::string InputFile(const std::string& file) {
  std::error_code ec;
  if (std::filesystem::path(file).parent_path().empty() &&
      std::filesystem::is_regular_file(WorkingFile(file), ec)) {
    return WorkingFile(file).string();
  }
  return file;
}

namespace {

// Set by the signal handler, read by the job's thread.
std::atomic<bool> stopAsked{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void AskToStop(int) {
  stopAsked = true;
  static const char kNote[] = "stopping the job (a second signal ends it at once)\n";
  (void)!write(STDERR_FILENO, kNote, sizeof kNote - 1);
}

// Catches `signal` for the job, once (SA_RESETHAND), unless the process was started ignoring it.
void CatchOnce(int signal, struct sigaction& old) {
  struct sigaction action {};
  action.sa_handler = AskToStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  sigaction(signal, &action, &old);
  if (old.sa_handler == SIG_IGN) sigaction(signal, &old, nullptr);
}

}  // namespace

StderrProgress::StderrProgress() {
  CatchOnce(SIGINT, oldInt_);
  CatchOnce(SIGTERM, oldTerm_);
}

StderrProgress::~StderrProgress() {
  sigaction(SIGINT, &oldInt_, nullptr);
  sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool StderrProgress::Cancelled() const { return stopAsked; }

void StderrProgress::Update(std::string_view what, long done, long total) {
  const long long now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
  if (now - lastReport_ < 500) return;
  lastReport_ = now;
  std::cerr << what << ": " << done;
  if (total >= 0) std::cerr << " of " << total;
  std::cerr << "\n";
}

}  // namespace quarry::cli
