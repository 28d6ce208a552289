#pragma once
// printf formatting into a std::string, for report lines and file formats whose bytes are given
// as printf formats ("%15.15f", "%f", "%d ").

#include <string>

namespace quarry {

std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace quarry
