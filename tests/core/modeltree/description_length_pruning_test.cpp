#include <gtest/gtest.h>

#include <cmath>

#include "core/modeltree/description_length_pruning.h"

namespace quarry::modeltree {
namespace {

TEST(IntegerCode, AddsLogarithmsWhileTheLastOneIsAtLeastTwo) {
  const double base = 1.0 + std::log2(2.865064);
  EXPECT_EQ(IntegerCode(0.0), 1.0);
  EXPECT_EQ(IntegerCode(1.99), 1.0);
  EXPECT_DOUBLE_EQ(IntegerCode(3.0), base + std::log2(3.0));  // log2 3 < 2: nothing more
  EXPECT_DOUBLE_EQ(IntegerCode(10.0), base + std::log2(10.0) + std::log2(std::log2(10.0)));
  EXPECT_DOUBLE_EQ(IntegerCode(65536.0), base + 16 + 4 + 2 + 1);
}

}  // namespace
}  // namespace quarry::modeltree
