#pragma once
// Starts the counsel program as a child process and waits for it, within a time limit.

#include <chrono>
#include <filesystem>
#include <string>

#include "core/common/status.h"

namespace quarry {

// The counsel program beside the running executable.
std::filesystem::path DefaultCounselPath();

// Runs `program` with its own path as its only argument and the working folder in
// $QUARRY_HOME, and waits for it to end. Fails (kNotFound) when the program is missing, (kIo)
// when it cannot be started, ends with a non-zero status or by a signal, or is still running
// after `timeout`, when it is killed. A failure's message carries what counsel wrote to stderr.
Status RunCounsel(const std::filesystem::path& program, std::chrono::milliseconds timeout);

}  // namespace quarry
