#include "tests/support/cli_runner.h"
#include "tests/support/file_text.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace quarry::testing {

namespace {

std::string ShellQuote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

}  // namespace

CliRun RunCli(const std::string& cli, const std::vector<std::string>& args) {
  std::random_device device;
  const auto base =
      std::filesystem::temp_directory_path() / ("quarry-cli-" + std::to_string(device()));
  std::string command = ShellQuote(cli);
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  command += " >" + ShellQuote(base.string() + ".out") + " 2>" + ShellQuote(base.string() + ".err");
  const int status = std::system(command.c_str());
  CliRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = FileText(base.string() + ".out");
  run.err = FileText(base.string() + ".err");
  std::filesystem::remove(base.string() + ".out");
  std::filesystem::remove(base.string() + ".err");
  return run;
}

}  // namespace quarry::testing
