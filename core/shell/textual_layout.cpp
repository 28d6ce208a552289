#include "core/shell/textual_layout.h"

#include <fstream>

namespace quarry {

Expected<TextualLayout> LayoutTextualLines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return IoError("cannot open " + path.string());
  TextualLayout layout;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (static_cast<int>(layout.lines.size()) == kTextMaxLines) {
      layout.continued = true;
      break;
    }
    layout.lines.push_back(std::move(line));
  }
  return layout;
}

}  // namespace quarry
