#include "core/transform/reservoir_sampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace quarry {
namespace {

TEST(ReservoirSampler, HoldsSizeDistinctPositionsInOrder) {
  for (long total : {1L, 5L, 100L, 1000L, 100000L}) {
    for (long size : {1L, 2L, 7L, 40L}) {
      if (size > total) continue;
      Rand rand;
      const std::vector<long> positions = ReservoirPositions(total, size, rand);
      ASSERT_EQ(static_cast<long>(positions.size()), size) << total << " " << size;
      EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
      EXPECT_EQ(std::adjacent_find(positions.begin(), positions.end()), positions.end());
      EXPECT_GE(positions.front(), 0);
      EXPECT_LT(positions.back(), total);
    }
  }
}

TEST(ReservoirSampler, AllOrNothing) {
  Rand rand;
  EXPECT_EQ(ReservoirPositions(4, 4, rand), (std::vector<long>{0, 1, 2, 3}));
  EXPECT_TRUE(ReservoirPositions(4, 0, rand).empty());
  EXPECT_TRUE(ReservoirPositions(0, 3, rand).empty());
}

TEST(ReservoirSampler, RepeatsItsDrawsFromTheSameSeed) {
  Rand a;
  Rand b;
  EXPECT_EQ(ReservoirPositions(50000, 30, a), ReservoirPositions(50000, 30, b));
}

// Every row must be equally likely to end in the reservoir, in the rows that Algorithm X reaches
// (t <= 22 n) as in those that only Algorithm Z's skips reach. Each seed is a different run.
TEST(ReservoirSampler, EveryRowIsEquallyLikely) {
  const long total = 400;
  const long size = 4;  // Algorithm Z takes over after row 88
  const int runs = 40000;
  std::vector<int> hits(total, 0);
  for (int run = 0; run < runs; ++run) {
    Rand rand(static_cast<uint32_t>(run) * 7919u + 13u);
    for (long p : ReservoirPositions(total, size, rand)) ++hits[static_cast<size_t>(p)];
  }
  const double expected = static_cast<double>(runs) * size / total;  // 400 per row
  double chiSquare = 0;
  for (int h : hits) chiSquare += (h - expected) * (h - expected) / expected;
  // 399 degrees of freedom: the 99.9th percentile is about 493.
  EXPECT_LT(chiSquare, 493.0);
  // Blocks of 100 rows, each expected 40000 hits: catches a drift along the table.
  for (size_t block = 0; block < 4; ++block) {
    int sum = 0;
    for (size_t i = block * 100; i < block * 100 + 100; ++i) sum += hits[i];
    EXPECT_NEAR(sum, 40000, 800) << "block " << block;
  }
}

TEST(ReservoirSampler, LongTablesNeedOnlyTheirSkips) {
  Rand rand;
  const std::vector<long> positions = ReservoirPositions(2000000000L, 1000, rand);
  ASSERT_EQ(positions.size(), 1000u);
  // Uniform over the table: the mean position lies near the middle.
  double mean = 0;
  for (long p : positions) mean += static_cast<double>(p) / positions.size();
  EXPECT_NEAR(mean / 2e9, 0.5, 0.05);
}

}  // namespace
}  // namespace quarry
