#pragma once
// Small text helpers shared by the file formats and the SQL builders.

#include <string>
#include <string_view>
#include <vector>

namespace quarry {

// Every occurrence of `from` (non-empty) replaced by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
void ReplaceAllInPlace(std::string& text, char from, char to);

// Splits at every `sep`; "a,,b" gives three fields and "" gives one empty field.
std::vector<std::string> SplitFields(std::string_view text, char sep);

std::string_view TrimRight(std::string_view text);  // blanks, tabs, CR and LF
std::string_view Trim(std::string_view text);

std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

// Parses a decimal floating-point number as strtod does (leading white space, sign, exponent),
// independent of the locale. Returns whether the whole text was consumed; `value` receives what
// could be parsed (0 when nothing), so a caller wanting atof's reading ignores the result.
bool ParseDecimal(std::string_view text, double& value);

// The value of a text of decimal digits only ("05" is 5), or -1 for any other text, the empty
// one included. A value above `limit` (>= 0) comes back as limit + 1.
long DigitsValue(std::string_view text, long limit);

// printf-style formatting into a string: the engines' report and file formats are printf formats.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One number printed with the printf conversion `conversion` ("%.1f", "%f", "%15.15f", "%g"),
// without the minus sign of a figure that prints as zero: a negative zero, or a negative number
// too small for the digits shown, prints "0.0" with "%.1f", never "-0.0".
std::string Figure(const char* conversion, double value);

// Format("%.*g", precision, value) for 1 <= precision <= 17, made without the printf machinery:
// files that hold a figure or two for every node of a large tree print millions of them.
std::string GeneralText(double value, int precision);
// The same appended to `out`.
void AppendGeneralText(std::string& out, double value, int precision);

}  // namespace quarry
