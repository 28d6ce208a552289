#include "core/data/cell_number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace quarry {

namespace {

// The number `text` stands for, written with at most `digits` significant digits; false, and
// `text` unchanged, when it is no number.
bool RewriteNumber(std::string& text, int digits) {
  double value = 0.0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return false;
  char buffer[64];
  auto [out, ec2] =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, digits);
  if (ec2 != std::errc()) return false;
  for (char* p = buffer; p != out; ++p) {
    if (*p == 'e') *p = 'E';
  }
  text.assign(buffer, out);
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void NormalizeNumberText(std::string& text, int digits, bool exactDecimal) {
  // One pass over sign, digits and point decides whether the text needs rewriting at all; it
  // nearly never does, and rewriting costs several times the pass.
  const size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
  size_t point = std::string::npos;
  size_t firstSignificant = std::string::npos;
  int significant = 0;
  for (size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && point == std::string::npos) {
      point = i;
    } else if (!IsDigit(c)) {
      // Texts with an exponent are rewritten, and at single precision every text the general
      // form reads ("Infinity" becomes "inf"); otherwise "NaN", "Infinity" or text stay.
      if (!exactDecimal && (digits != 15 || text.find_first_of("eE", i) != std::string::npos)) {
        RewriteNumber(text, digits);
      }
      return;
    } else if (significant > 0 || c != '0') {
      if (significant++ == 0) firstSignificant = i;
    }
  }
  if (!exactDecimal && significant > digits) {
    RewriteNumber(text, digits);
    return;
  }
  if (!exactDecimal && digits != 15) {
    // Short of rewriting, the text must already be what the general form writes: an integer
    // part without leading zeros, and a leading digit whose decimal exponent lies in
    // [-4, digits), where that form writes no exponent.
    const size_t pointAt = point == std::string::npos ? text.size() : point;
    const bool plainIntegerPart = pointAt > start && (text[start] != '0' || pointAt == start + 1);
    long exponent = 0;
    if (firstSignificant != std::string::npos) {
      exponent = firstSignificant < pointAt ? static_cast<long>(pointAt - firstSignificant) - 1
                                            : -static_cast<long>(firstSignificant - pointAt);
    }
    if (!plainIntegerPart || exponent < -4 || exponent >= digits) {
      RewriteNumber(text, digits);
      return;
    }
  }
  if (point == std::string::npos) return;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
}

std::optional<float> SingleOfStoredReal(double value) {
  const double magnitude = std::fabs(value);
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  if (bits == 0) return 0.0f;  // "0.0"
  if (!(magnitude >= static_cast<double>(std::numeric_limits<float>::min()) &&
        magnitude <= static_cast<double>(std::numeric_limits<float>::max()))) {
    return std::nullopt;
  }
  // A float keeps the top 23 of the double's 52 fraction bits; the 29 it drops say where the
  // double lies between two floats, 2^28 being the halfway point. Fifteen significant digits
  // are within 5e-15 of the value, under 2^-47 of it, and a double read from them lies as near:
  // a double further than 2^-39 of its binade (2^13 of those 29 bits) from halfway narrows the
  // same as the text's.
  constexpr uint64_t kDropped = (uint64_t{1} << 29) - 1;
  constexpr uint64_t kHalfway = uint64_t{1} << 28;
  constexpr uint64_t kMargin = uint64_t{1} << 13;
  const uint64_t dropped = bits & kDropped;
  if (dropped + kMargin > kHalfway && dropped < kHalfway + kMargin) return std::nullopt;
  return static_cast<float>(value);
}

std::optional<float> SingleOfStoredInteger(int64_t value) {
  constexpr int64_t kExact = 1000000000000000;  // 10^15: fewer digits than a double holds
  if (value <= -kExact || value >= kExact) return std::nullopt;
  return static_cast<float>(static_cast<double>(value));
}

}  // namespace quarry
