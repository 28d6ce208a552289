#include "core/assoc/itemset.h"

namespace quarry::assoc {

ItemVector ToItemVector(const ItemPositions& positions, size_t itemCount) {
  ItemVector items(itemCount, 0);
  for (int32_t p : positions) items[static_cast<size_t>(p)] = 1;
  return items;
}

ItemPositions ToPositions(const ItemVector& items) {
  ItemPositions positions;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == 1) positions.push_back(static_cast<int32_t>(i));
  }
  return positions;
}

bool IsFrequent(int64_t count, int64_t transactions, float minSupport) {
  if (count < 1 || transactions < 1) return false;
  return static_cast<double>(count) / static_cast<double>(transactions) >=
         static_cast<double>(minSupport);
}

std::string ItemsetText(const ItemPositions& positions, const std::vector<std::string>& itemNames) {
  std::string text = "[";
  for (size_t i = 0; i < positions.size(); ++i) {
    if (i > 0) text += ",";
    text += itemNames[static_cast<size_t>(positions[i])];
  }
  text += "]";
  return text;
}

size_t PositionsHash::operator()(const ItemPositions& positions) const {
  // FNV-1a over the positions: sets of a level differ in few positions, so every one counts.
  uint64_t hash = 1469598103934665603ull;
  for (int32_t p : positions) {
    hash ^= static_cast<uint32_t>(p);
    hash *= 1099511628211ull;
  }
  return static_cast<size_t>(hash);
}

}  // namespace quarry::assoc
