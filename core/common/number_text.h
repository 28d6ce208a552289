#pragma once
// Numbers typed by users or read back from the database as text.

#include <optional>
#include <string_view>

namespace quarry {

// A decimal number as SQL accepts it bare: sign, digits with at most one point (at least one
// digit), optional exponent; nothing else ("inf", "nan", hexadecimal and blanks fail).
bool IsNumberLiteral(std::string_view text);

// The number a whole text stands for: blanks around it are ignored and "," reads as the decimal
// point; a sign, digits with at most one point and an exponent are allowed. nullopt for anything
// else, so a text that passes can be written into SQL bare.
std::optional<double> ParseNumber(std::string_view text);

// The dialogs' form for counts and percents: at least one character, only digits, at most one
// ".". ("12.5" passes, "12a", "-3" and "1.2.3" do not; "." alone passes and counts as 0.)
bool IsDigitsWithOnePoint(std::string_view text);

// The integer part of a text that passed IsDigitsWithOnePoint ("12.5" gives 12); texts too long
// for a long give LONG_MAX.
long IntegerPart(std::string_view text);

}  // namespace quarry
