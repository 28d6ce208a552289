#include "core/dtree/value_sort.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace quarry::dtree {
namespace {

// The method exactly as described, recursive and without shortcuts: the reference the fast
// version must match position for position.
void ReferenceSort(std::vector<ValueRecord>& r, int first, int last) {
  while (first < last) {
    const float pivot = r[static_cast<size_t>(last)].value;
    int middle = first;
    for (int i = first; i < last; ++i) {
      if (r[static_cast<size_t>(i)].value <= pivot) {
        if (i != middle) std::swap(r[static_cast<size_t>(middle)], r[static_cast<size_t>(i)]);
        ++middle;
      }
    }
    int lower = middle - 1;
    for (int i = lower; i >= first; --i) {
      if (r[static_cast<size_t>(i)].value == pivot) {
        if (i != lower) std::swap(r[static_cast<size_t>(lower)], r[static_cast<size_t>(i)]);
        --lower;
      }
    }
    ReferenceSort(r, first, lower);
    std::swap(r[static_cast<size_t>(middle)], r[static_cast<size_t>(last)]);
    first = middle + 1;
  }
}

// Records numbered by their original position, so orders can be compared exactly.
std::vector<ValueRecord> Records(const std::vector<float>& values) {
  std::vector<ValueRecord> r;
  for (size_t i = 0; i < values.size(); ++i) r.push_back({values[i], static_cast<uint32_t>(i)});
  return r;
}

std::vector<int> Order(const std::vector<ValueRecord>& r) {
  std::vector<int> order;
  for (const ValueRecord& x : r) order.push_back(static_cast<int>(x.index));
  return order;
}

// Both with the processor's vector shortcuts, where it has them, and with the plain steps alone.
void ExpectSameOrder(const std::vector<float>& values) {
  std::vector<ValueRecord> expected = Records(values);
  ReferenceSort(expected, 0, static_cast<int>(expected.size()) - 1);
  for (const bool vectors : {true, false}) {
    SortWithVectorsWhereAble(vectors);
    std::vector<ValueRecord> actual = Records(values);
    SortScratch scratch;
    SortByValueOrder(actual.data(), static_cast<int>(actual.size()), scratch);
    SortWithVectorsWhereAble(true);
    ASSERT_EQ(Order(actual), Order(expected)) << (vectors ? "with" : "without") << " vectors";
  }
}

TEST(ValueSort, EqualValuesLandWhereTheMethodPutsThem) {
  // Hand-checked: pivot 2; the 1s and 2s move to the front in scan order, the 2 at the top of
  // that block stays, the first 3 goes to the end.
  std::vector<ValueRecord> r = Records({3, 1, 2, 1, 3, 2});
  SortScratch scratch;
  SortByValueOrder(r.data(), 6, scratch);
  EXPECT_EQ(Order(r), (std::vector<int>{1, 3, 2, 5, 4, 0}));
}

TEST(ValueSort, MatchesTheMethodOnRandomTiesAndOrders) {
  std::mt19937 random(7);
  for (int round = 0; round < 700; ++round) {
    // Mostly short ranges with few values; every tenth a long one of two-decimal values, where
    // nearly every step meets values equal to its pivot; every seventh mostly different values,
    // whose short ranges have no two equal, but for a few -0 and 0. Sizes cross the points where
    // the vector steps take four records at a time and short ranges are sorted at once.
    const bool longRange = round % 10 == 9;
    const bool distinctish = round % 7 == 6;
    const int n =
        round < 100 ? round % 50 + 1 : static_cast<int>(random() % (longRange ? 5000 : 200)) + 1;
    const int distinct =
        distinctish ? 1 << 20 : static_cast<int>(random() % (longRange ? 2000 : 12)) + 1;
    std::vector<float> values;
    for (int i = 0; i < n; ++i)
      values.push_back(static_cast<float>(random() % distinct) / (longRange ? 100.0f : 1.0f));
    if (distinctish) {
      for (int k = 0; k < 2; ++k) values[random() % n] = random() % 2 ? 0.0f : -0.0f;
    }
    switch (round % 5) {
      case 1:
        std::sort(values.begin(), values.end());
        break;  // in order
      case 2:
        std::sort(values.rbegin(), values.rend());
        break;  // reversed
      case 3:   // nearly in order
        std::sort(values.begin(), values.end());
        for (int k = 0; k < 3 && n > 1; ++k) std::swap(values[random() % n], values[random() % n]);
        break;
      case 4:  // all equal, or with NaNs among them
        if (round % 2 == 0) {
          std::fill(values.begin(), values.end(), values[0]);
        } else {
          for (int k = 0; k < 3; ++k) values[random() % n] = std::nanf("");
        }
        break;
      default:
        break;
    }
    ExpectSameOrder(values);
  }
}

TEST(ValueSort, MatchesTheMethodOnShuffledFrontsOfOrderedRuns) {
  // The order a child node hands on: a few cases in front (those with an unknown value of the
  // parent's test) before a run already in order.
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    const int front = static_cast<int>(random() % 30) + 1;
    const int run = static_cast<int>(random() % 300) + 16;
    const int distinct = static_cast<int>(random() % 40) + 2;
    std::vector<float> values;
    for (int i = 0; i < front; ++i) values.push_back(static_cast<float>(random() % distinct));
    std::vector<float> ordered;
    for (int i = 0; i < run; ++i) ordered.push_back(static_cast<float>(random() % distinct));
    std::sort(ordered.begin(), ordered.end());
    values.insert(values.end(), ordered.begin(), ordered.end());
    ExpectSameOrder(values);
  }
}

TEST(ValueSort, OrderedTopsAndOddValues) {
  std::vector<float> prefixThenOrdered = {5, 1, 9, 2, 2};
  for (int i = 0; i < 300; ++i)
    prefixThenOrdered.push_back(static_cast<float>(i % 7 == 0 ? i - 1 : i));
  ExpectSameOrder(prefixThenOrdered);
  ExpectSameOrder({0.0f, -0.0f, 1, -0.0f, 0.0f, 1, 1});
  const float nan = std::nanf("");
  ExpectSameOrder({3, nan, 1, 2, nan, 4, 5, 6});
  ExpectSameOrder({1, 2, 3, nan, 4, 5});
}

TEST(ValueSort, LongOrderedRunsNeitherRecurseNorCrawl) {
  // An ordered column of a large table, and the same with a few cases moved to the front, as
  // the cases of an unknown value are: both end in their sorted order, quickly.
  std::vector<float> values(300000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(i / 3);
  std::vector<ValueRecord> r = Records(values);
  SortScratch scratch;
  SortByValueOrder(r.data(), static_cast<int>(r.size()), scratch);
  EXPECT_EQ(r[0].index, 0u);
  EXPECT_EQ(r.back().index, values.size() - 1);
  std::rotate(values.begin(), values.end() - 5, values.end());
  r = Records(values);
  SortByValueOrder(r.data(), static_cast<int>(r.size()), scratch);
  EXPECT_TRUE(
      std::is_sorted(r.begin(), r.end(), [](auto& a, auto& b) { return a.value < b.value; }));
}

// The stable sort orders by value, ties in their places before, on either side of the size where
// the radix passes take over, across signs and exponents; with a NaN it sorts as the method does.
TEST(ValueSort, StableSortOrdersByValueKeepingTies) {
  std::mt19937 random(7);
  for (const int size : {255, 256, 5000}) {
    std::vector<float> values;
    for (int i = 0; i < size; ++i) {
      const float magnitude = static_cast<float>(random() % 50) * (random() % 2 ? 1e-3f : 1e5f);
      values.push_back(random() % 3 == 0 ? -magnitude : magnitude);
    }
    values[3] = -0.0f;
    std::vector<ValueRecord> expected = Records(values);
    std::stable_sort(expected.begin(), expected.end(),
                     [](const ValueRecord& a, const ValueRecord& b) { return a.value < b.value; });
    std::vector<ValueRecord> actual = Records(values);
    SortScratch scratch;
    SortByValueStably(actual.data(), size, scratch);
    for (size_t i = 0; i < actual.size(); ++i) {
      ASSERT_EQ(actual[i].value, expected[i].value) << size << " at " << i;
      // -0 and 0 are equal values: only their order among themselves may differ.
      if (actual[i].value != 0) {
        ASSERT_EQ(actual[i].index, expected[i].index) << size;
      }
    }
  }
  std::vector<float> withNan(400, 1.0f);
  withNan[17] = std::nanf("");
  std::vector<ValueRecord> expected = Records(withNan);
  ReferenceSort(expected, 0, static_cast<int>(expected.size()) - 1);
  std::vector<ValueRecord> actual = Records(withNan);
  SortScratch scratch;
  SortByValueStably(actual.data(), static_cast<int>(actual.size()), scratch);
  EXPECT_EQ(Order(actual), Order(expected));
}

}  // namespace
}  // namespace quarry::dtree
