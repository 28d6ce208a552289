#include <gtest/gtest.h>

#include "core/common/fcvt.h"

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

}  // namespace
}  // namespace quarry
