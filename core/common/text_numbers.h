#pragma once
// Numbers for texts in the order they first come: reading a column, each distinct text gets the
// next number, and every later copy the same one.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace quarry {

class TextNumbers {
 public:
  // `first` is the number the first text gets.
  explicit TextNumbers(int32_t first = 0) : first_(first) {}

  int32_t Number(std::string_view text) {
    const uint64_t hash = Hash(text);
    size_t slot = 0;
    if (const int32_t k = Lookup(text, hash, slot); k >= 0) return first_ + k;
    const auto k = static_cast<int32_t>(texts_.size());
    texts_.emplace_back(text);
    hashes_.push_back(hash);
    if (2 * texts_.size() > slots_.size()) {
      Rehash();
    } else {
      slots_[slot] = k;
    }
    return first_ + k;
  }
  // The number of `text`, or `first - 1` when it never came.
  int32_t Find(std::string_view text) const {
    size_t slot = 0;
    const int32_t k = Lookup(text, Hash(text), slot);
    return k >= 0 ? first_ + k : first_ - 1;
  }
  int32_t First() const { return first_; }
  size_t size() const { return texts_.size(); }
  // The text numbered first + k.
  const std::string& Text(size_t k) const { return texts_[k]; }

 private:
  // Every cell of a discrete column is looked up while the rows are read: a hash of a few
  // multiplications and a table of a power of two slots, half of them empty at least.
  static uint64_t Hash(std::string_view text) {
    uint64_t h = 0xcbf29ce484222325u ^ text.size();
    for (unsigned char c : text) h = (h ^ c) * 0x100000001b3u;
    h ^= h >> 29;
    h *= 0x9e3779b97f4a7c15u;
    return h ^ (h >> 32);
  }
  // The text's index, or -1 with `slot` the empty slot where it would go.
  int32_t Lookup(std::string_view text, uint64_t hash, size_t& slot) const {
    if (slots_.empty()) return -1;
    const size_t mask = slots_.size() - 1;
    for (slot = hash & mask;; slot = (slot + 1) & mask) {
      const int32_t k = slots_[slot];
      if (k < 0) return -1;
      if (hashes_[static_cast<size_t>(k)] == hash && texts_[static_cast<size_t>(k)] == text)
        return k;
    }
  }
  void Rehash() {
    slots_.assign(slots_.empty() ? 32 : 2 * slots_.size(), -1);
    const size_t mask = slots_.size() - 1;
    for (size_t k = 0; k < texts_.size(); ++k) {
      size_t slot = hashes_[k] & mask;
      while (slots_[slot] >= 0) slot = (slot + 1) & mask;
      slots_[slot] = static_cast<int32_t>(k);
    }
  }

  int32_t first_;
  std::deque<std::string> texts_;  // a deque never moves its texts: callers keep them by address
  std::vector<uint64_t> hashes_;
  std::vector<int32_t> slots_;  // an index into texts_, or -1
};

}  // namespace quarry
