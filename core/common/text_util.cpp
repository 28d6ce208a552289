#include "core/common/text_util.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace quarry {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos || from.empty()) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

void ReplaceAllInPlace(std::string& text, char from, char to) {
  std::replace(text.begin(), text.end(), from, to);
}

std::vector<std::string> SplitFields(std::string_view text, char sep) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t hit = text.find(sep, start);
    if (hit == std::string_view::npos) {
      fields.emplace_back(text.substr(start));
      return fields;
    }
    fields.emplace_back(text.substr(start, hit - start));
    start = hit + 1;
  }
}

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) {
  text = TrimRight(text);
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool ParseDecimal(std::string_view text, double& value) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && text[i] == '+' && i + 1 < text.size() && text[i + 1] != '-') ++i;
  value = 0.0;
  const char* begin = text.data() + i;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) return ptr == end;  // value is left as is
  if (ec != std::errc()) {
    value = 0.0;
    return false;
  }
  return ptr == end;
}

long DigitsValue(std::string_view text, long limit) {
  if (text.empty()) return -1;
  long value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    value = std::min(value * 10 + (c - '0'), limit + 1);
  }
  return value;
}

std::string Format(const char* format, ...) {
  char small[256];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (size < 0) {
    va_end(again);
    return std::string();
  }
  if (static_cast<size_t>(size) < sizeof small) {
    va_end(again);
    return std::string(small, static_cast<size_t>(size));
  }
  std::string out(static_cast<size_t>(size) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, again);
  va_end(again);
  out.resize(static_cast<size_t>(size));
  return out;
}

std::string GeneralText(double value, int precision) {
  std::string text;
  AppendGeneralText(text, value, precision);
  return text;
}

void AppendGeneralText(std::string& out, double value, int precision) {
  // The conversion prints as printf's %g does in the C locale; infinities and NaNs keep
  // printf's own spelling.
  if (std::isfinite(value) && precision >= 1 && precision <= 17) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                              1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};
    char text[32];
    char* end = text;
    // A whole number of at most `precision` digits prints as its digits alone; most figures of
    // a tree's nodes are (zeros above all), and the general conversion costs several times more.
    if (value == std::trunc(value) && std::fabs(value) < kPowersOfTen[precision] &&
        std::fabs(value) < 0x1p53) {
      if (std::signbit(value)) *end++ = '-';
      end = std::to_chars(end, text + sizeof text, static_cast<int64_t>(std::fabs(value))).ptr;
      out.append(text, end);
      return;
    }
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, precision);
    if (result.ec == std::errc()) {
      out.append(text, result.ptr);
      return;
    }
  }
  out += Format("%.*g", precision, value);
}

namespace {

// The text of the plain conversions that files print for every node ("%.1f", "%f", "%g"), made
// without the printf machinery; false for any other conversion, or a value printf spells
// itself (an infinity, a NaN).
bool PlainConversion(const char* conversion, double value, std::string& text) {
  if (!std::isfinite(value)) return false;
  std::chars_format style;
  int precision = 0;
  if (std::strcmp(conversion, "%.1f") == 0) {
    style = std::chars_format::fixed;
    precision = 1;
  } else if (std::strcmp(conversion, "%f") == 0) {
    style = std::chars_format::fixed;
    precision = 6;
  } else if (std::strcmp(conversion, "%g") == 0) {
    style = std::chars_format::general;
    precision = 6;
  } else {
    return false;
  }
  char digits[400];  // the largest double has 309 digits before the point
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, style, precision);
  if (ec != std::errc()) return false;
  text.assign(digits, end);
  return true;
}

}  // namespace

std::string Figure(const char* conversion, double value) {
  char small[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::string text;
  const int size = PlainConversion(conversion, value, text)
                       ? -1
                       : std::snprintf(small, sizeof small, conversion, value);
  if (size >= 0 && static_cast<size_t>(size) >= sizeof small) {
    text.assign(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), conversion, value);
    text.resize(static_cast<size_t>(size));
  } else if (size > 0) {
    text.assign(small, static_cast<size_t>(size));
  }
#pragma GCC diagnostic pop
  const size_t sign = text.find('-');
  if (sign == std::string::npos || !(value <= 0)) return text;
  const size_t exponent = text.find_first_of("eE", sign);
  const size_t digitsEnd = exponent == std::string::npos ? text.size() : exponent;
  if (text.find_first_not_of("0.", sign + 1) < digitsEnd) return text;
  // A figure padded to its width keeps the width.
  if (sign > 0 && text[sign - 1] == ' ') {
    text[sign] = ' ';
  } else {
    text.erase(sign, 1);
  }
  return text;
}

}  // namespace quarry
