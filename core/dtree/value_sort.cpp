#include "core/dtree/value_sort.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

namespace quarry::dtree {

namespace {

// An ordered run at the top shorter than this is left to the plain steps: random data has one
// this long almost never, ordered data almost always.
constexpr int kOrderedRunWorthIt = 16;

// The first position of the longest non-decreasing run that ends at `last`.
int OrderedRunStart(const ValueRecord* r, int first, int last) {
  int start = last;
  while (start > first && r[start - 1].value <= r[start].value) --start;
  return start;
}

// The largest value of r[first..end-1]; false when a NaN is among them (the steps below reason
// about order, which NaN has none of).
bool Highest(const ValueRecord* r, int first, int end, float& highest) {
  highest = r[first].value;
  for (int i = first; i < end; ++i) {
    const float v = r[i].value;
    if (v != v) return false;
    if (v > highest) highest = v;
  }
  return highest == highest;
}

// The partition after its first value larger than the pivot, r[start] (queued as q[0]): from
// there on the queue is never empty, so each value either enters it or moves its front to its
// end. Notes in `equals` the places of the values equal to the pivot; returns (middle, head).
// With equal values rare a branch notes them more cheaply than a store for every value.
template <bool kRareEquals>
std::pair<int, long> PartitionFrom(ValueRecord* r, int start, int last, float pivot, uint64_t* q,
                                   int* equals, long& equal) {
  int middle = start;
  long head = 0;
  for (int i = start; i < last; ++i) {
    uint64_t x;
    std::memcpy(&x, r + i, sizeof x);
    const float value = r[i].value;
    const long low = value <= pivot;
    if constexpr (kRareEquals) {
      if (value == pivot) equals[equal++] = middle;
    } else {
      equals[equal] = middle;
      equal += value == pivot;
    }
    std::memcpy(r + middle, &x, sizeof x);
    middle += static_cast<int>(low);
    // A mask rather than a choice: compilers turn the choice into a branch, which the random
    // outcome of the comparison makes miss half the time.
    const uint64_t keep = 0 - static_cast<uint64_t>(low);
    q[i - start] = (q[head] & keep) | (x & ~keep);
    head += low;
  }
  return {middle, head};
}

// One plain step on first..last: partition around the last value, gather the values equal to it
// at the top of the lower block, and place the pivot. Returns (lower, middle).
//
// The partition moves each value <= pivot to the next front place by exchanging it with the
// first value of the block of larger ones, which thereby moves to the block's end: the block
// behaves as a queue. Keeping that queue in `queue` gives the same order without the
// exchanges' unpredictable branches.
//
// The gathering of equal values scans the lower block downward and exchanges each value equal
// to the pivot with the top of the block not yet taken. An exchange writes only at or above the
// position being scanned, so each position still holds the value the partition put there when
// it is scanned: the places of the equal values, noted as the partition puts them there, give
// the same exchanges without the scan.
std::pair<int, int> PlainStep(ValueRecord* r, int first, int last, SortScratch& scratch) {
  static_assert(sizeof(ValueRecord) == sizeof(uint64_t) &&
                std::is_trivially_copyable_v<ValueRecord>);
  const float pivot = r[last].value;
  const size_t span = static_cast<size_t>(last - first);
  if (scratch.queue.size() < span) scratch.queue.resize(span);
  if (scratch.equals.size() < span) scratch.equals.resize(span);
  // Records move as whole words, so that choosing between two of them is a conditional move.
  uint64_t* q = scratch.queue.data();
  int* equals = scratch.equals.data();
  long equal = 0;
  int start = first;
  // Up to the first larger value every value stays where it is.
  for (; start < last && r[start].value <= pivot; ++start) {
    equals[equal] = start;
    equal += r[start].value == pivot;
  }
  // Whether equal values are rare is judged by the last step, whose range held this one's values.
  const bool rare = scratch.lastEqualShare < 1.0f / 32;
  const auto [middle, head] = rare ? PartitionFrom<true>(r, start, last, pivot, q, equals, equal)
                                   : PartitionFrom<false>(r, start, last, pivot, q, equals, equal);
  scratch.lastEqualShare = static_cast<float>(equal) / static_cast<float>(span + 1);
  const long tail = last - start;
  std::memcpy(r + middle, q + head, static_cast<size_t>(tail - head) * sizeof(uint64_t));
  int lower = middle - 1;
  for (long e = equal - 1; e >= 0; --e) {
    const int i = equals[e];
    if (i != lower) std::swap(r[lower], r[i]);
    --lower;
  }
  std::swap(r[middle], r[last]);
  return {lower, middle};
}

// A float's bits as an unsigned key of the same order: negatives reversed below the positives.
// -0 comes just below +0, which compare equal: their order among themselves is free here.
inline uint32_t OrderKey(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
}

// Below this many records a comparison sort is quicker than the radix passes.
constexpr int kRadixFrom = 256;

}  // namespace

namespace {
std::atomic<bool> stablyWhereFree{true};
}  // namespace

void SortStablyWhereFree(bool on) { stablyWhereFree = on; }
bool SortsStablyWhereFree() { return stablyWhereFree; }

void SortByValueStably(ValueRecord* r, int count, SortScratch& scratch) {
  if (count < 2) return;
  for (int i = 0; i < count; ++i) {
    if (r[i].value != r[i].value) {
      SortByValueOrder(r, count, scratch);
      return;
    }
  }
  if (count < kRadixFrom) {
    std::stable_sort(r, r + count,
                     [](const ValueRecord& a, const ValueRecord& b) { return a.value < b.value; });
    return;
  }
  // Three passes of 11, 11 and 10 bits, least significant first; a pass in which every key has
  // the same digit is left out.
  constexpr int kBits[3] = {11, 11, 10};
  constexpr int kShift[3] = {0, 11, 22};
  std::vector<uint32_t> counts(3 * 2048, 0);
  for (int i = 0; i < count; ++i) {
    const uint32_t key = OrderKey(r[i].value);
    for (int p = 0; p < 3; ++p) ++counts[p * 2048 + ((key >> kShift[p]) & ((1u << kBits[p]) - 1))];
  }
  std::vector<ValueRecord>& buffer = scratch.buffer;
  if (buffer.size() < static_cast<size_t>(count)) buffer.resize(static_cast<size_t>(count));
  ValueRecord* from = r;
  ValueRecord* to = buffer.data();
  for (int p = 0; p < 3; ++p) {
    uint32_t* c = counts.data() + p * 2048;
    const uint32_t digits = 1u << kBits[p];
    bool single = false;
    uint32_t sum = 0;
    for (uint32_t d = 0; d < digits; ++d) {
      if (c[d] == static_cast<uint32_t>(count)) single = true;
      const uint32_t n = c[d];
      c[d] = sum;
      sum += n;
    }
    if (single) continue;
    for (int i = 0; i < count; ++i) {
      const uint32_t digit = (OrderKey(from[i].value) >> kShift[p]) & (digits - 1);
      to[c[digit]++] = from[i];
    }
    std::swap(from, to);
  }
  if (from != r) std::memcpy(r, from, static_cast<size_t>(count) * sizeof(ValueRecord));
}

void SortByValueOrder(ValueRecord* r, int count, SortScratch& scratch) {
  std::vector<std::pair<int, int>>& stack = scratch.stack;
  stack.clear();
  if (count > 1) stack.emplace_back(0, count - 1);
  while (!stack.empty()) {
    auto [first, last] = stack.back();
    stack.pop_back();
    int ordered = -1;  // r[ordered..last] is known to be in order; -1 when not known
    while (first < last) {
      // With an ordered run r[ordered..last] at the top whose last value is the largest of the
      // range, a step moves nothing in the run: everything is no larger than the pivot, and
      // only values equal to it move, up to the top of the lower block. Such steps are taken
      // here without scanning the run.
      if (ordered < first || ordered > last) ordered = OrderedRunStart(r, first, last);
      if (ordered == first) break;  // in order: the steps would leave it as it is
      float highest = 0;
      if (last - ordered + 1 >= kOrderedRunWorthIt && Highest(r, first, ordered, highest) &&
          r[last].value >= highest) {
        const float pivot = r[last].value;
        if (pivot > highest) {
          // Every run value above all the others is a pivot in turn and stays where it is.
          last = static_cast<int>(
                     std::upper_bound(r + ordered, r + last + 1, highest,
                                      [](float v, const ValueRecord& x) { return v < x.value; }) -
                     r) -
                 1;
          continue;
        }
        int lower = last - 1;
        while (lower >= ordered && r[lower].value == pivot) --lower;
        for (int i = ordered - 1; i >= first; --i) {
          if (r[i].value == pivot) {
            if (i != lower) std::swap(r[lower], r[i]);
            --lower;
          }
        }
        last = lower;
        continue;
      }
      ordered = -1;
      const auto [lower, middle] = PlainStep(r, first, last, scratch);
      // The lower block and the upper block share no position, so sorting the lower one later
      // gives the same order as sorting it first.
      if (first < lower) stack.emplace_back(first, lower);
      first = middle + 1;
    }
  }
}

}  // namespace quarry::dtree
