#pragma once
// The text of a number cell read from a database, as the workbench shows numbers.

#include <string>

namespace quarry {

// Approximate numbers read as the workbench shows numbers: at most 15 significant digits (7 for
// single precision, `digits`), no trailing zeros, upper-case exponent ("85", "0.1", "1E-07"),
// where drivers write "85.0", "1.0e-07" or, like PostgreSQL, every digit of the double
// ("0.30000000000000004"). The driver's text is kept when it is no number (SQLite lets a REAL
// column hold text) and for exact decimals (`exactDecimal`), which only lose trailing zeros.
void NormalizeNumberText(std::string& text, int digits, bool exactDecimal);

}  // namespace quarry
