#pragma once
// The text of a number cell read from a database, as the workbench shows numbers.

#include <cstdint>
#include <optional>
#include <string>

namespace quarry {

// Approximate numbers read as the workbench shows numbers: at most 15 significant digits (7 for
// single precision, `digits`), no trailing zeros, upper-case exponent ("85", "0.1", "1E-07"),
// where drivers write "85.0", "1.0e-07" or, like PostgreSQL, every digit of the double
// ("0.30000000000000004"). The driver's text is kept when it is no number (SQLite lets a REAL
// column hold text) and for exact decimals (`exactDecimal`), which only lose trailing zeros.
void NormalizeNumberText(std::string& text, int digits, bool exactDecimal);

// The single-precision number that a number cell's text reads as (text to double, double to
// float), worked out from the number the database stores without making the text, where that is
// sure to give the same: SQLite writes a stored double with 15 significant digits, and the
// double read back from them narrows to the same float as the stored one unless the stored one
// lies next to a point halfway between two floats. nullopt for those, and for numbers whose
// text must be read: zero's negative, infinities, numbers beyond the floats' range or too small
// for a float's full precision.
std::optional<float> SingleOfStoredReal(double value);
// The same for a stored integer, whose text holds every digit (at most 15 significant ones in a
// column of approximate numbers): exact below 10^15.
std::optional<float> SingleOfStoredInteger(int64_t value);

}  // namespace quarry
