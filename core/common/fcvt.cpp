#include "core/common/fcvt.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

namespace quarry {

namespace {

// Whether the digits stand for zero: a negative number that rounds to zero has no sign.
bool AllZeros(const std::string& digits) {
  return digits.find_first_not_of('0') == std::string::npos;
}

}  // namespace

FcvtDigits Fcvt(double value, int decimals) {
  FcvtDigits out;
  out.negative = std::signbit(value) && value != 0.0;
  if (decimals < 0) decimals = 0;
  const double magnitude = std::fabs(value);
  // The largest double has 309 integer digits.
  std::vector<char> buffer(static_cast<size_t>(decimals) + 320);
  const int size = std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, magnitude);
  const std::string text(buffer.data(), static_cast<size_t>(size));
  const size_t point = text.find('.');
  const std::string integer = text.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  if (integer != "0") {
    out.digits = integer + fraction;
    out.decimalPoint = static_cast<int>(integer.size());
    return out;
  }
  const size_t firstNonZero = fraction.find_first_not_of('0');
  if (firstNonZero == std::string::npos) {
    out.digits = std::string(static_cast<size_t>(decimals), '0');
    out.decimalPoint = 0;
    return out;
  }
  out.digits = fraction.substr(firstNonZero);
  out.decimalPoint = -static_cast<int>(firstNonZero);
  return out;
}

std::string FixedDecimalText(double value, int decimals) {
  if (std::isfinite(value) && decimals >= 1 && decimals <= 60) {
    // The same text without the printf machinery (a rules file prints a threshold for every
    // test of a large tree): the conversion prints as printf's %f does.
    char text[400];  // the largest double has 309 digits before the point
    const auto [end, ec] = std::to_chars(text, text + sizeof text, std::fabs(value),
                                         std::chars_format::fixed, decimals);
    if (ec == std::errc()) {
      const std::string_view digits(text, static_cast<size_t>(end - text));
      const bool zero = digits.find_first_not_of("0.") == std::string_view::npos;
      std::string out = value < 0 && !zero ? "-" : "";
      out += digits;
      return out;
    }
  }
  const FcvtDigits f = Fcvt(value, decimals);
  std::string text = value < 0 && !AllZeros(f.digits) ? "-" : "";
  if (f.decimalPoint > 0) {
    const size_t p = static_cast<size_t>(f.decimalPoint);
    text += f.digits.substr(0, p) + "." + f.digits.substr(p);
  } else {
    text += "0." + std::string(static_cast<size_t>(-f.decimalPoint), '0') + f.digits;
  }
  return text;
}

std::string ExponentText(double value) {
  const FcvtDigits f = Fcvt(value, 10);
  return std::string(value < 0 && !AllZeros(f.digits) ? "-0." : "0.") + f.digits + "E" +
         std::to_string(f.decimalPoint);
}

}  // namespace quarry
