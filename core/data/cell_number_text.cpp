#include "core/data/cell_number_text.h"

#include <charconv>

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

}  // namespace quarry
