#include "core/advisor/support_files.h"

#include <cstdio>
#include <memory>

#include "core/common/text_util.h"
#include "core/data/working_folder.h"

namespace quarry {

namespace {

// Reads one line of any length in reads of at most 255 characters; false at the end of the
// file. `complete` tells whether the line ended with its line feed.
bool ReadLine(std::FILE* file, std::string& line, bool& complete) {
  line.clear();
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, file)) {
    line += buffer;
    if (!line.empty() && line.back() == '\n') {
      complete = true;
      return true;
    }
  }
  complete = false;
  return !line.empty();
}

}  // namespace

std::filesystem::path SupportInputPath() { return WorkingFile("counsel/SupportSystemInputs.txt"); }

std::filesystem::path SupportOutputPath() { return WorkingFile("SupportSystemOutputs.txt"); }

std::string SupportInputText(float modelVariance, float responseClassModeFrequency) {
  return "//The measures below were extracted by QUARRY and are read by counsel.\n" +
         Format("modelVariance(%7.4f). responseClassModeFrequency(%7.4f). ", modelVariance,
                responseClassModeFrequency);
}

Status WriteSupportInput(float modelVariance, float responseClassModeFrequency) {
  const std::filesystem::path path = SupportInputPath();
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec)
    return IoError("cannot create the folder " + path.parent_path().string() + ": " + ec.message());
  return WriteResultFile(path, SupportInputText(modelVariance, responseClassModeFrequency));
}

Status ReadSupportOutput(const std::filesystem::path& path, SupportOutput& output) {
  output = SupportOutput();
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "r"), std::fclose);
  if (!file) return NotFound("counsel left no advice: cannot open " + path.string());
  std::string line;
  bool complete = false;
  for (int number = 1; ReadLine(file.get(), line, complete); ++number) {
    if (number == 2) output.simpleTreeAdvice = line;
    if (number == 3) output.accurateTreeAdvice = line;
    if (number >= 5 && complete) output.commentary += line;
  }
  return Status::Ok();
}

}  // namespace quarry
