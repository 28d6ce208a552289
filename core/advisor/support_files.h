#pragma once
// The two files the workbench and counsel exchange: the measures the workbench writes for
// counsel, and the advice counsel writes back.

#include <filesystem>
#include <string>

#include "core/common/status.h"

namespace quarry {

// "counsel/SupportSystemInputs.txt" in the working folder.
std::filesystem::path SupportInputPath();
// "SupportSystemOutputs.txt" in the working folder.
std::filesystem::path SupportOutputPath();

// The input file's text: a comment line, then the two facts on one line without a line end.
std::string SupportInputText(float modelVariance, float responseClassModeFrequency);

// Writes the input file whole, creating its folder.
Status WriteSupportInput(float modelVariance, float responseClassModeFrequency);

struct SupportOutput {
  std::string simpleTreeAdvice;    // line 2
  std::string accurateTreeAdvice;  // line 3
  std::string commentary;          // lines 5 on
};

// Reads the advice file: line 1 and line 4 are skipped, line ends stay part of the texts, a last
// commentary line without a line end is not taken, and missing lines leave their texts empty.
// kNotFound when the file cannot be opened.
Status ReadSupportOutput(const std::filesystem::path& path, SupportOutput& output);

}  // namespace quarry
