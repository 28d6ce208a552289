#pragma once
// The bytes of a file, as the tests compare them ("" when it cannot be read).

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quarry::testing {

inline std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace quarry::testing
