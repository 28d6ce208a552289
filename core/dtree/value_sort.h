#pragma once
// The order in which the engine sorts cases by a continuous value. It is a three-way quicksort
// whose placing of equal values is part of the engine's behaviour: later scans, windows and
// weight sums follow the order it leaves, so any faster path must leave exactly the same order.

#include <cstdint>
#include <vector>

#include "core/dtree/case_set.h"

namespace quarry::dtree {

// One case as the sort and the scans after it see it: contiguous, so neither has to follow the
// case pointers again.
struct ValueRecord {
  float value;
  float weight;
  int32_t classNo;
  Case item;
};

// Sorts records[0..count-1] by value:
//   while first < last: the pivot is the last value; every record <= pivot moves to the front
//   in scan order (exchanging only different positions), middle = the first position after
//   them; scanning down from middle - 1, records equal to the pivot move to the top of that
//   lower block, which leaves `lower` below them; sort first..lower; exchange middle and last;
//   continue with first = middle + 1.
// `stack` is reused scratch room. Sorting runs without recursion, so no input can exhaust the
// call stack, and an already ordered run at the top is passed over in one scan, since the
// method would leave it untouched.
void SortByValueOrder(ValueRecord* records, int count, std::vector<std::pair<int, int>>& stack);

}  // namespace quarry::dtree
