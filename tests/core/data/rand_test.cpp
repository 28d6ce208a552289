#include <gtest/gtest.h>

#include "core/data/rand.h"

namespace quarry {
namespace {

TEST(Rand, RepeatsTheRuntimeSequenceFromSeedOne) {
  Rand rand;
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int value : expected) EXPECT_EQ(rand.Next(), value);
}

TEST(Rand, EveryGeneratorStartsAgain) {
  Rand a;
  a.Next();
  Rand b;
  EXPECT_EQ(b.Next(), 41);
  for (int i = 0; i < 100000; ++i) {
    const int v = a.Next();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, Rand::kMax);
  }
}

}  // namespace
}  // namespace quarry
