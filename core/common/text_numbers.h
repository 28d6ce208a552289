#pragma once
// Numbers for texts in the order they first come: reading a column, each distinct text gets the
// next number, and every later copy the same one.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quarry {

class TextNumbers {
 public:
  // `first` is the number the first text gets.
  explicit TextNumbers(int32_t first = 0) : first_(first) {}

  int32_t Number(std::string_view text) {
    if (auto found = numbers_.find(text); found != numbers_.end()) return found->second;
    const int32_t number = first_ + static_cast<int32_t>(texts_.size());
    texts_.push_back(&numbers_.emplace(std::string(text), number).first->first);
    return number;
  }
  // The number of `text`, or `first - 1` when it never came.
  int32_t Find(std::string_view text) const {
    auto found = numbers_.find(text);
    return found == numbers_.end() ? first_ - 1 : found->second;
  }
  int32_t First() const { return first_; }
  size_t size() const { return texts_.size(); }
  // The text numbered first + k.
  const std::string& Text(size_t k) const { return *texts_[k]; }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  int32_t first_;
  // Map nodes never move, so the texts can be kept by address.
  std::unordered_map<std::string, int32_t, Hash, std::equal_to<>> numbers_;
  std::vector<const std::string*> texts_;
};

}  // namespace quarry
