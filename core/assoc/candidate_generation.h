#pragma once
// The level-wise step shared by the miners and by rule generation: itemsets of one size k that
// agree on their first k-1 positions are joined into sets of size k+1, and a joined set is kept
// only when every subset that leaves out one item belongs to the level.

#include <cstdint>
#include <vector>

#include "core/assoc/itemset.h"

namespace quarry::assoc {

struct JoinedCandidate {
  ItemPositions positions;
  int32_t first = 0;   // index in the level of the set the candidate extends
  int32_t second = 0;  // index of the set whose last position it adds
};

// `level` holds sets of one size in ascending lexicographic order (sets sharing a prefix are
// then neighbours). The candidates come in the order of the join: by first, then by second,
// which is again ascending lexicographic order.
std::vector<JoinedCandidate> JoinAndPrune(const std::vector<ItemPositions>& level);

}  // namespace quarry::assoc
