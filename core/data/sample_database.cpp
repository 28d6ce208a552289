#include "core/data/sample_database.h"

#include <cstdlib>

#include "core/data/working_folder.h"

namespace quarry {

Expected<std::filesystem::path> BundledSampleDatabase(const std::filesystem::path& exeDir) {
  std::error_code ec;
  if (const char* env = std::getenv("QUARRY_SAMPLE_DB"); env != nullptr && *env != '\0') {
    if (std::filesystem::is_regular_file(env, ec)) return std::filesystem::path(env);
    return NotFound(std::string("QUARRY_SAMPLE_DB names no file: ") + env);
  }
  for (const auto& candidate :
       {exeDir / kSampleDatabaseName, exeDir / ".." / "share" / "quarry" / kSampleDatabaseName}) {
    if (std::filesystem::is_regular_file(candidate, ec))
      return std::filesystem::weakly_canonical(candidate, ec);
  }
  return NotFound("the sample database is missing; build it with scripts/run.sh");
}

Expected<std::filesystem::path> SampleDatabase(const std::filesystem::path& exeDir) {
  const std::filesystem::path copy = WorkingFile(kSampleDatabaseName);
  std::error_code ec;
  auto bundled = BundledSampleDatabase(exeDir);
  if (std::filesystem::is_regular_file(copy, ec)) {
    // A newer build of the sample replaces the copy; the old copy is kept beside it.
    if (!bundled || std::filesystem::last_write_time(*bundled, ec) <=
                        std::filesystem::last_write_time(copy, ec)) {
      return copy;
    }
    std::filesystem::rename(copy, WorkingFile(std::string(kSampleDatabaseName) + ".old"), ec);
  }
  if (!bundled) return bundled.status();
  if (Status s = EnsureWorkingFolder(); !s.ok()) return s;
  // Copied under a name of its own and renamed when whole: a copy cut short (a full disk) is
  // never taken for the sample database.
  const std::filesystem::path part = WorkingFile(std::string(kSampleDatabaseName) + ".part");
  std::filesystem::copy_file(*bundled, part, std::filesystem::copy_options::overwrite_existing, ec);
  if (!ec) std::filesystem::rename(part, copy, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    return IoError("cannot copy the sample database to " + copy.string() + ": " + ec.message());
  }
  return copy;
}

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : exe.parent_path();
}

}  // namespace quarry
