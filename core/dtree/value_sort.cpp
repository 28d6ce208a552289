#include "core/dtree/value_sort.h"

#include <algorithm>
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

// One plain step on first..last: partition around the last value, gather the values equal to it
// at the top of the lower block, and place the pivot. Returns (lower, middle).
//
// The partition moves each value <= pivot to the next front place by exchanging it with the
// first value of the block of larger ones, which thereby moves to the block's end: the block
// behaves as a queue. Keeping that queue in `queue` gives the same order without the
// exchanges' unpredictable branches.
std::pair<int, int> PlainStep(ValueRecord* r, int first, int last, std::vector<uint64_t>& queue) {
  static_assert(sizeof(ValueRecord) == sizeof(uint64_t) &&
                std::is_trivially_copyable_v<ValueRecord>);
  const float pivot = r[last].value;
  if (queue.size() < static_cast<size_t>(last - first))
    queue.resize(static_cast<size_t>(last - first));
  // Records move as whole words, so that choosing between two of them is a conditional move.
  uint64_t* q = queue.data();
  int middle = first;
  long head = 0;
  long tail = 0;
  long equal = 0;
  for (int i = first; i < last; ++i) {
    uint64_t x;
    std::memcpy(&x, r + i, sizeof x);
    const float value = r[i].value;
    const long low = value <= pivot;
    const long queued = head < tail;
    equal += value == pivot;
    std::memcpy(r + middle, &x, sizeof x);
    middle += static_cast<int>(low);
    const uint64_t front = q[head];
    q[tail] = low ? front : x;
    tail += (1 - low) | queued;
    head += low & queued;
  }
  std::memcpy(r + middle, q + head, static_cast<size_t>(tail - head) * sizeof(uint64_t));
  int lower = middle - 1;
  if (equal > 0) {
    for (int i = lower; i >= first; --i) {
      if (r[i].value == pivot) {
        if (i != lower) std::swap(r[lower], r[i]);
        --lower;
      }
    }
  }
  std::swap(r[middle], r[last]);
  return {lower, middle};
}

}  // namespace

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
      const auto [lower, middle] = PlainStep(r, first, last, scratch.queue);
      // The lower block and the upper block share no position, so sorting the lower one later
      // gives the same order as sorting it first.
      if (first < lower) stack.emplace_back(first, lower);
      first = middle + 1;
    }
  }
}

}  // namespace quarry::dtree
