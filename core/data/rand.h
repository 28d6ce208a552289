#pragma once
// The program's pseudo-random numbers: a linear congruential generator that always starts from
// seed 1, so each job repeats its random splits, windows, samples and initial clusters exactly.

#include <cstdint>

namespace quarry {

class Rand {
 public:
  static constexpr int kMax = 0x7FFF;

  explicit Rand(uint32_t seed = 1) : state_(seed) {}

  // The next value in 0..kMax.
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }

 private:
  uint32_t state_;
};

}  // namespace quarry
