#include "core/assoc/candidate_generation.h"

#include <algorithm>
#include <unordered_set>

namespace quarry::assoc {

namespace {

bool SamePrefix(const ItemPositions& a, const ItemPositions& b) {
  return std::equal(a.begin(), a.end() - 1, b.begin());
}

}  // namespace

std::vector<JoinedCandidate> JoinAndPrune(const std::vector<ItemPositions>& level) {
  std::vector<JoinedCandidate> candidates;
  if (level.size() < 2) return candidates;
  const size_t k = level.front().size();
  const std::unordered_set<ItemPositions, PositionsHash> members(level.begin(), level.end());
  ItemPositions subset(k);
  for (size_t p = 0; p < level.size(); ++p) {
    // Lexicographic order keeps the partners of p right after it: the first set with another
    // prefix ends them.
    for (size_t q = p + 1; q < level.size() && SamePrefix(level[p], level[q]); ++q) {
      ItemPositions joined = level[p];
      joined.push_back(level[q].back());
      // Leaving out the last or the second last item gives q or p; the others need a look.
      bool keep = true;
      for (size_t leave = 0; keep && leave + 2 <= k; ++leave) {
        size_t out = 0;
        for (size_t i = 0; i < joined.size(); ++i) {
          if (i != leave) subset[out++] = joined[i];
        }
        keep = members.count(subset) > 0;
      }
      if (keep) {
        candidates.push_back({std::move(joined), static_cast<int32_t>(p), static_cast<int32_t>(q)});
      }
    }
  }
  return candidates;
}

}  // namespace quarry::assoc
