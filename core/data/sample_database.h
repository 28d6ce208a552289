#pragma once
// The sample database that opens when the user names no other. The build makes it from the
// data files under data/; the user works on a copy in the working folder, made on first use,
// so the methods' result tables never touch the bundled file.

#include <filesystem>

#include "core/common/status.h"

namespace quarry {

inline constexpr const char* kSampleDatabaseName = "sample.sqlite";

// The bundled sample database: $QUARRY_SAMPLE_DB, else next to the program `exeDir`, else in
// its ../share/quarry. kNotFound when none exists.
Expected<std::filesystem::path> BundledSampleDatabase(const std::filesystem::path& exeDir);

// The working copy in the working folder, copied from the bundled database when missing or
// older than the bundled one (the old copy is then kept as sample.sqlite.old).
Expected<std::filesystem::path> SampleDatabase(const std::filesystem::path& exeDir);

// The folder of the running program.
std::filesystem::path ExecutableFolder();

}  // namespace quarry
