#pragma once
// Which lines of a text file the textual view draws and where: every non-empty line, one
// kTextLineStep below the other starting at y = kTextLineStep, until a line would reach
// kTextLineLimit; then the continuation text goes over the top of the view.

#include <filesystem>
#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry {

inline constexpr int kTextLineStep = 12;
inline constexpr int kTextLineLimit = 60000;
inline constexpr int kTextMaxLines = (kTextLineLimit - 1) / kTextLineStep;  // 4999
inline constexpr int kTextViewWidth = 1000;
inline constexpr const char* kTextContinued =
    "...to be continued,using Word Pad if you want see all the File";

struct TextualLayout {
  std::vector<std::string>
      lines;               // the drawn lines, line ends removed; line i is at y = 12 (i + 1)
  bool continued = false;  // non-empty lines remain after the last drawn one

  // The scroll height: one step more than the drawn lines take.
  int TotalHeight() const { return (static_cast<int>(lines.size()) + 1) * kTextLineStep; }
};

// Reads `path` and lays out its lines. A line holding nothing but its line end ("\n" or "\r\n")
// is empty and takes no room. kIo when the file cannot be opened.
Expected<TextualLayout> LayoutTextualLines(const std::filesystem::path& path);

}  // namespace quarry
