#pragma once
// The program's number texts, all built on one conversion: |v| as a digit string with a fixed
// number of digits after the decimal point, without the point, plus the position where the point
// belongs ("35.5" with 5 digits is "3550000" and 2; "0.05" is "5000" and -1: leading zeros are
// not part of the digit string).

#include <string>

namespace quarry {

struct FcvtDigits {
  std::string digits;
  int decimalPoint = 0;  // the point goes after this many digits; <= 0 means "0." and -p zeros
  bool negative = false;
};

// |value| rounded to `decimals` digits after the point. Zero, and values that round to zero,
// give `decimals` zeros with the point at 0.
FcvtDigits Fcvt(double value, int decimals);

// Fixed decimal text: "-" for negative values, then the digits with the point in place, or "0."
// and the leading zeros: FixedDecimalText(35.5, 5) == "35.50000", (0.05, 5) == "0.05000".
std::string FixedDecimalText(double value, int decimals);

// The five-decimal form used for numbers written into SQL and labels.
inline std::string FiveDecimalText(double value) { return FixedDecimalText(value, 5); }

// Exponent text: "0." (or "-0."), the 10-decimal digit string, "E" and the point position:
// ExponentText(12.5) == "0.125000000000E2", ExponentText(0.05) == "0.500000000E-1".
std::string ExponentText(double value);

}  // namespace quarry
