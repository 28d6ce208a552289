#pragma once
// The order in which the engine sorts cases by a continuous value. It is a three-way quicksort
// whose placing of equal values is part of the engine's behaviour: later scans, windows and
// weight sums follow the order it leaves, so any faster path must leave exactly the same order.

#include <cstdint>
#include <vector>

#include "core/dtree/case_set.h"

namespace quarry::dtree {

// A case's value with the case's place before sorting: small, so the sort moves little.
struct ValueRecord {
  float value;
  uint32_t index;
};

// Sorts records[0..count-1] by value:
//   while first < last: the pivot is the last value; every record <= pivot moves to the front
//   in scan order (exchanging only different positions), middle = the first position after
//   them; scanning down from middle - 1, records equal to the pivot move to the top of that
//   lower block, which leaves `lower` below them; sort first..lower; exchange middle and last;
//   continue with first = middle + 1.
// Sorting runs without recursion, so no input can exhaust the call stack, and an already
// ordered run at the top is passed over in one scan, since the method would leave it untouched.
struct SortScratch {  // reused from sort to sort
  std::vector<std::pair<int, int>> stack;
  std::vector<uint64_t> queue;
  std::vector<int> equals;
  float lastEqualShare = 0;  // the share of values equal to the pivot in the last step
  std::vector<ValueRecord> buffer;
};
void SortByValueOrder(ValueRecord* records, int count, SortScratch& scratch);

// Whether SortByValueOrder takes its vector shortcuts on processors that have them (on unless a
// test turns it off to check the plain steps on the same machine).
void SortWithVectorsWhereAble(bool on);

// Sorts records[0..count-1] by value, equal values in their present order (a radix sort, far
// quicker on many records). Only for callers whose results provably do not depend on the order
// among equal values; with a NaN among the values it sorts as SortByValueOrder does.
void SortByValueStably(ValueRecord* records, int count, SortScratch& scratch);

// Whether growing sorts stably where the order among equal values is free (on unless a test
// turns it off to compare with the exact order).
void SortStablyWhereFree(bool on);
bool SortsStablyWhereFree();

}  // namespace quarry::dtree
