#include "core/dtree/name_lookup.h"

namespace quarry::dtree {

namespace {

// Up to this many names a walk through the list is as quick as hashing the text.
constexpr int kWalkedNames = 16;

}  // namespace

int FindName(std::string_view text, const std::vector<std::string>& names, int first, int last) {
  for (int k = first; k <= last; ++k) {
    if (names[static_cast<size_t>(k)] == text) return k;
  }
  return first - 1;
}

NameLookup::NameLookup(const std::vector<std::string>& names, int first, int last)
    : names_(&names), first_(first), last_(last), hashed_(last - first + 1 > kWalkedNames) {
  if (!hashed_) return;
  positions_.reserve(static_cast<size_t>(last - first + 1));
  // emplace keeps the first of equal names, as FindName finds it.
  for (int k = first; k <= last; ++k) positions_.emplace(names[static_cast<size_t>(k)], k);
}

}  // namespace quarry::dtree
