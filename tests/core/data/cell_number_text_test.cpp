#include "core/data/cell_number_text.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>

#include "core/data/sqlite_library.h"

namespace quarry {
namespace {

std::string Normalized(std::string text, int digits, bool exactDecimal = false) {
  NormalizeNumberText(text, digits, exactDecimal);
  return text;
}

// The general form with `digits` significant digits and an upper-case exponent, or the text
// itself when it is no number: what every single-precision cell must read as, whichever way
// the text is shortened.
std::string GeneralForm(const std::string& text, int digits) {
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return text;
  char buffer[64];
  auto out =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, digits).ptr;
  std::string general(buffer, out);
  for (char& c : general) {
    if (c == 'e') c = 'E';
  }
  return general;
}

TEST(CellNumberText, SinglePrecisionMatchesTheGeneralForm) {
  std::mt19937 random(7);
  std::vector<std::string> texts = {
      "0",       "-0",       "0.0",     "-0.0",     "100000.0",  "1234567", "12345670", "0.0001",
      "0.00001", "0.000123", "00012.5", ".5",       "5.",        "-.5",     ".",        "-",
      "",        "1.5e3",    "NaN",     "Infinity", "-Infinity", "abc",     "1.2.3",    "1e"};
  for (int i = 0; i < 20000; ++i) {
    const float f = std::ldexp(std::uniform_real_distribution<float>(-1, 1)(random),
                               std::uniform_int_distribution<int>(-30, 30)(random));
    char buffer[64];
    for (auto format : {std::chars_format::general, std::chars_format::fixed}) {
      texts.emplace_back(buffer, std::to_chars(buffer, buffer + sizeof(buffer), f, format).ptr);
    }
    // A database's shortest text, or a fixed text with trailing zeros.
    texts.emplace_back(buffer, std::to_chars(buffer, buffer + sizeof(buffer), f).ptr);
    texts.push_back(std::to_string(f));
  }
  for (const std::string& text : texts)
    EXPECT_EQ(Normalized(text, 7), GeneralForm(text, 7)) << text;
}

TEST(CellNumberText, DoublesAndExactDecimals) {
  EXPECT_EQ(Normalized("85.0", 15), "85");
  EXPECT_EQ(Normalized("0.30000000000000004", 15), "0.3");
  EXPECT_EQ(Normalized("1.0e-07", 15), "1E-07");
  EXPECT_EQ(Normalized("0.00001", 15), "0.00001");
  EXPECT_EQ(Normalized("Infinity", 15), "Infinity");
  EXPECT_EQ(Normalized("text", 15), "text");
  EXPECT_EQ(Normalized("12.3400", 15, true), "12.34");
  EXPECT_EQ(Normalized("0.0000", 15, true), "0");
  EXPECT_EQ(Normalized("123456789012345678901234567890.120", 15, true),
            "123456789012345678901234567890.12");
  EXPECT_EQ(Normalized("NaN", 15, true), "NaN");
}

// The float a stored real's cell reads as: SQLite's own text of it, made the workbench's number
// text, parsed to a double and narrowed.
float SingleOfSqliteText(double value) {
  char* chars = sqlite3_mprintf("%!.15g", value);
  std::string text = chars;
  sqlite3_free(chars);
  NormalizeNumberText(text, 15, false);
  double parsed = 0;
  std::from_chars(text.data(), text.data() + text.size(), parsed);
  return static_cast<float>(parsed);
}

// Stored reals narrowed at once must read as their texts do: numbers beside a point halfway
// between two floats (where the text's rounding crosses it for some), zero's negative (whose
// text is "0.0") and those outside a float's normal range go by the text. (Integers: the load of
// such a table, tests/core/dtree.)
TEST(CellNumberText, StoredNumbersNarrowAsTheirTexts) {
  SetUpSqliteLibrary();
  std::mt19937 random(11);
  int crossings = 0;
  int narrowed = 0;
  std::vector<double> reals = {0.0,   -0.0,  0.1,    1e-7, 3.5e38, -3.5e38, 1e-39,
                               1e-45, 1e300, -1e300, 2.5,  1e15,   HUGE_VAL};
  for (int i = 0; i < 3000; ++i) {
    const float f = std::ldexp(std::uniform_real_distribution<float>(-1, 1)(random),
                               std::uniform_int_distribution<int>(-120, 120)(random));
    const float next = std::nextafter(f, std::numeric_limits<float>::infinity());
    const double halfway = (static_cast<double>(f) + static_cast<double>(next)) / 2;
    const double ulp = std::nextafter(halfway, HUGE_VAL) - halfway;
    for (int steps : {-40, -20, -9, -3, -1, 1, 3, 9, 20, 40, 9000})
      reals.push_back(halfway + steps * ulp);
    reals.push_back(f);
  }
  for (const double value : reals) {
    const float byText = SingleOfSqliteText(value);
    if (static_cast<float>(value) != byText) ++crossings;
    if (const std::optional<float> single = SingleOfStoredReal(value)) {
      ++narrowed;
      EXPECT_EQ(std::signbit(*single), std::signbit(byText)) << value;
      EXPECT_EQ(*single, byText) << value;
    }
  }
  // The table must hold numbers whose text narrows otherwise; those away from halfway points
  // (a float, or 9000 steps off one) narrow at once.
  EXPECT_GT(crossings, 100);
  EXPECT_GE(narrowed, 6000);
}

}  // namespace
}  // namespace quarry
