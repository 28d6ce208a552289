#pragma once
// Itemsets of the association miner. Items are identified by position: the input table's columns
// 0..F-1 and, in generalized mode, the taxonomy's classes F..F+C-1; M is the number of positions.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quarry::assoc {

// M bytes; byte i is 1 when position i belongs to the set.
using ItemVector = std::vector<uint8_t>;
// The same set as ascending positions: the form the algorithms work on.
using ItemPositions = std::vector<int32_t>;

struct Itemset {
  int32_t count = 0;  // support count: the transactions that hold every item
  ItemVector items;
};

// Lists built by the miners hold the sets of one size after another, each size in ascending
// lexicographic order of the positions.
using ItemsetList = std::vector<Itemset>;

ItemVector ToItemVector(const ItemPositions& positions, size_t itemCount);
ItemPositions ToPositions(const ItemVector& items);

// The minimum support is the single-precision value the user typed; it is compared with the
// support count / N in double precision, so 0.05 (slightly above 1/20 in single precision) does
// not accept 1 of 20 transactions. An itemset found in no transaction is never frequent, even at
// minimum support 0: every miner then reports the same sets.
bool IsFrequent(int64_t count, int64_t transactions, float minSupport);

// "[" + the names of the positions joined with "," + "]".
std::string ItemsetText(const ItemPositions& positions, const std::vector<std::string>& itemNames);

struct PositionsHash {
  size_t operator()(const ItemPositions& positions) const;
};

}  // namespace quarry::assoc
