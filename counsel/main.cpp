// counsel: the pruning adviser. Started by the workbench with its own path as its only argument,
// it reads the measures the workbench wrote to "counsel/SupportSystemInputs.txt" in the working
// folder, asks the rules in "pruning_advice.txt" (beside the program, or in its ../share/quarry
// once installed) for advice, and writes
// "SupportSystemOutputs.txt" in the working folder, whole or not at all.
//
// Exit status: 0 advice written; 1 a file could not be read or written; 2 the input is
// malformed; 3 the rules cannot be read or give no advice.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "counsel/advice_exchange.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kRulesFile = "pruning_advice.txt";

// The workbench's working folder, by the same rule the workbench follows.
fs::path WorkingFolder() {
  if (const char* home = std::getenv("QUARRY_HOME"); home && *home) return home;
  const char* user = std::getenv("HOME");
  return fs::path(user && *user ? user : ".") / "QUARRY";
}

bool ReadText(const fs::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return !in.bad();
}

// Writes beside the target and renames, so a reader never sees half an answer.
bool WriteWhole(const fs::path& path, const std::string& text, std::string& error) {
  const fs::path temporary = path.string() + ".part" + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      error = "cannot write " + temporary.string();
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temporary, path, ec);
  if (ec) {
    error = "cannot replace " + path.string() + ": " + ec.message();
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

int Fail(int status, const std::string& message) {
  std::cerr << "counsel: " << message << "\n";
  return status;
}

// The rules beside the program (the build tree), else where the install puts them.
fs::path RulesPath(const fs::path& programFolder) {
  const fs::path beside = programFolder / kRulesFile;
  std::error_code ec;
  if (fs::exists(beside, ec)) return beside;
  const fs::path installed = programFolder / ".." / "share" / "quarry" / kRulesFile;
  return fs::exists(installed, ec) ? installed.lexically_normal() : beside;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path self = argc > 1 ? argv[1] : argv[0];
  const fs::path rulesPath = RulesPath(self.parent_path());
  const fs::path folder = WorkingFolder();
  const fs::path inputPath = folder / "counsel" / "SupportSystemInputs.txt";
  const fs::path outputPath = folder / "SupportSystemOutputs.txt";

  std::string input;
  if (!ReadText(inputPath, input)) return Fail(1, "cannot read " + inputPath.string());
  counsel::Measures measures;
  std::string error;
  if (!counsel::ParseMeasures(input, measures, error)) {
    return Fail(2, inputPath.string() + ": " + error);
  }

  std::string rulesText;
  if (!ReadText(rulesPath, rulesText))
    return Fail(3, "cannot read the rules " + rulesPath.string());
  std::vector<counsel::Clause> rules;
  if (!counsel::ParseClauses(rulesText, rulesPath.string(), rules, error)) return Fail(3, error);
  counsel::Advice advice;
  if (!counsel::ConsultRules(rules, measures, advice, error)) {
    return Fail(3, rulesPath.string() + ": " + error);
  }

  if (!WriteWhole(outputPath, counsel::FormatAdvice(measures, advice), error)) {
    return Fail(1, error);
  }
  return 0;
}
