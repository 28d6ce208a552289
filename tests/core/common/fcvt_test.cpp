#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/common/fcvt.h"
#include "core/common/text_util.h"

namespace quarry {
namespace {

TEST(Fcvt, DigitStringAndPointPosition) {
  FcvtDigits f = Fcvt(35.5, 5);
  EXPECT_EQ(f.digits, "3550000");
  EXPECT_EQ(f.decimalPoint, 2);
  f = Fcvt(0.05, 5);
  EXPECT_EQ(f.digits, "5000");
  EXPECT_EQ(f.decimalPoint, -1);
  f = Fcvt(-0.004, 2);
  EXPECT_EQ(f.digits, "00");
  EXPECT_EQ(f.decimalPoint, 0);
  f = Fcvt(-2.5, 0);
  EXPECT_TRUE(f.negative);
  EXPECT_EQ(f.digits, "2");  // the C runtime rounds half to even
}

TEST(Fcvt, FixedDecimalTexts) {
  EXPECT_EQ(FixedDecimalText(35.5, 5), "35.50000");
  EXPECT_EQ(FixedDecimalText(0.05, 5), "0.05000");
  EXPECT_EQ(FixedDecimalText(-0.05, 5), "-0.05000");
  EXPECT_EQ(FixedDecimalText(-12.25, 1), "-12.2");
  EXPECT_EQ(FixedDecimalText(0.0, 5), "0.00000");
  // A number that rounds to zero has no sign (a knn prediction, a rules file threshold).
  EXPECT_EQ(FixedDecimalText(-0.000001, 5), "0.00000");
  EXPECT_EQ(FixedDecimalText(-0.0, 5), "0.00000");
  EXPECT_EQ(FiveDecimalText(0.5), "0.50000");
  EXPECT_EQ(FiveDecimalText(12.25), "12.25000");
  EXPECT_EQ(FiveDecimalText(1000000), "1000000.00000");
}

TEST(Fcvt, ExponentTexts) {
  EXPECT_EQ(ExponentText(12.5), "0.125000000000E2");
  EXPECT_EQ(ExponentText(0.05), "0.500000000E-1");
  EXPECT_EQ(ExponentText(-3.0), "-0.30000000000E1");
  EXPECT_EQ(ExponentText(0.0), "0.0000000000E0");
  EXPECT_EQ(ExponentText(-1e-12), "0.0000000000E0");
}

// The quick %g texts, and the figures of the plain conversions files print for every node, must
// be printf's, digit for digit: where the exponent form starts, the rounding that carries into a
// new digit, trailing zeros, subnormals, large and tiny values, signs and non-numbers.
std::vector<double> TrickyAndRandomValues() {
  std::vector<double> values = {0.0,
                                -0.0,
                                1.0,
                                -1.0,
                                0.1,
                                1e-4,
                                9.9995e-5,
                                1e-5,
                                123456789,
                                999999.5,
                                9999999.5,
                                0.5,
                                1e16,
                                1e17,
                                1e-300,
                                4.9e-324,
                                1.7976931348623157e308,
                                2.5,
                                -2.5,
                                1e21,
                                123.456e-10,
                                33.333333333333336,
                                0.05,
                                -0.05,
                                0.25,
                                -0.04,
                                1e-7,
                                -1e-7};
  values.push_back(std::numeric_limits<double>::infinity());
  values.push_back(-std::numeric_limits<double>::infinity());
  values.push_back(std::numeric_limits<double>::quiet_NaN());
  values.push_back(std::numeric_limits<float>::denorm_min());
  values.push_back(std::numeric_limits<float>::max());
  // Whole numbers on both sides of every precision's last digit, and past exact doubles.
  for (double power = 1; power <= 1e18; power *= 10) {
    for (double v : {power - 1, power, power + 1}) values.insert(values.end(), {v, -v});
  }
  values.insert(values.end(), {0x1p53, 0x1p53 + 2, -0x1p63, 0x1p64, 4294967296.0});
  std::mt19937_64 bits(7);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t b = bits();
    float f;
    const auto b32 = static_cast<uint32_t>(b);
    std::memcpy(&f, &b32, sizeof f);
    values.push_back(static_cast<double>(f));
    double d;
    std::memcpy(&d, &b, sizeof d);
    values.push_back(d);
    values.push_back(static_cast<double>(b % 100000) / 100.0);      // two decimals, as in tables
    values.push_back(static_cast<double>(b % 2000) / 40.0 - 25.0);  // halves and quarters
  }
  return values;
}

std::string Printf(const char* conversion, int precision, double v) {
  char text[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::snprintf(text, sizeof text, conversion, precision, v);
#pragma GCC diagnostic pop
  return text;
}

TEST(NumberTexts, QuickTextsArePrintfs) {
  const std::vector<double> values = TrickyAndRandomValues();
  for (int precision = 1; precision <= 17; ++precision) {
    for (double v : values)
      ASSERT_EQ(GeneralText(v, precision), Printf("%.*g", precision, v)) << precision;
  }
  const std::pair<const char*, int> plain[] = {{"%.1f", 1}, {"%f", 6}, {"%g", 6}};
  for (const auto& [conversion, precision] : plain) {
    const std::string asPrintf = conversion[1] == 'g' ? "%.*g" : "%.*f";
    for (double v : values) {
      std::string expected = Printf(asPrintf.c_str(), precision, v);
      // A figure that shows only zeros loses its minus sign.
      if (expected[0] == '-' && expected.find_first_not_of("0.", 1) == std::string::npos)
        expected.erase(0, 1);
      ASSERT_EQ(Figure(conversion, v), expected) << conversion;
    }
  }
  for (int decimals : {1, 5, 10}) {
    for (double v : values) {
      if (!std::isfinite(v)) continue;
      std::string expected = Printf("%.*f", decimals, v);
      if (expected[0] == '-' && expected.find_first_not_of("0.", 1) == std::string::npos)
        expected.erase(0, 1);
      ASSERT_EQ(FixedDecimalText(v, decimals), expected) << decimals;
    }
  }
}

}  // namespace
}  // namespace quarry
