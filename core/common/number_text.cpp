#include "core/common/number_text.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

#include "core/common/text_util.h"

namespace quarry {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

bool IsNumberLiteral(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (IsDigit(text[i])) {
      ++digits;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponentDigits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == text.size();
}

std::optional<double> ParseNumber(std::string_view text) {
  std::string number(Trim(text));
  ReplaceAllInPlace(number, ',', '.');
  if (!IsNumberLiteral(number)) return std::nullopt;
  const char* begin = number.data() + (number[0] == '+' ? 1 : 0);
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(begin, number.data() + number.size(), value);
  if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool IsDigitsWithOnePoint(std::string_view text) {
  if (text.empty()) return false;
  bool point = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (!IsDigit(c)) {
      return false;
    }
  }
  return true;
}

long IntegerPart(std::string_view text) {
  long value = 0;
  for (char c : text) {
    if (!IsDigit(c)) break;
    if (value > (LONG_MAX - (c - '0')) / 10) return LONG_MAX;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace quarry
