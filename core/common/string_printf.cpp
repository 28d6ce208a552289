#include "core/common/string_printf.h"

#include <cstdarg>
#include <cstdio>

namespace quarry {

std::string StringPrintf(const char* format, ...) {
  char small[256];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string out;
  if (size < 0) {
    va_end(again);
    return out;
  }
  if (static_cast<size_t>(size) < sizeof small) {
    out.assign(small, static_cast<size_t>(size));
  } else {
    // "%f" of a large number runs to hundreds of digits.
    out.resize(static_cast<size_t>(size) + 1);
    std::vsnprintf(out.data(), out.size(), format, again);
    out.resize(static_cast<size_t>(size));
  }
  va_end(again);
  return out;
}

}  // namespace quarry
