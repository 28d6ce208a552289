#pragma once
// Runs quarry-cli as a user would, in the current working folder ($QUARRY_HOME), and collects
// what it printed.

#include <string>
#include <vector>

namespace quarry::testing {

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

CliRun RunCli(const std::string& cli, const std::vector<std::string>& args);

}  // namespace quarry::testing
