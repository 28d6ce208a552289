#include "cli/cli_context.h"

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
