#pragma once
// FindName over one list many times: a long list is hashed once, so that reading a table whose
// text column has thousands of values costs a lookup per cell, not a walk through the list.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quarry::dtree {

// Index k in first..last with names[k] == text, or first - 1 when none matches.
int FindName(std::string_view text, const std::vector<std::string>& names, int first, int last);

class NameLookup {
 public:
  // Looks in names[first..last], which must stay as they are while the lookup is used.
  NameLookup(const std::vector<std::string>& names, int first, int last);
  // As FindName(text, names, first, last): the first index holding `text`, or first - 1.
  int Find(std::string_view text) const {
    if (!hashed_) return FindName(text, *names_, first_, last_);
    auto found = positions_.find(text);
    return found == positions_.end() ? first_ - 1 : found->second;
  }

 private:
  const std::vector<std::string>* names_;
  int first_;
  int last_;
  bool hashed_;
  std::unordered_map<std::string_view, int> positions_;
};

}  // namespace quarry::dtree
