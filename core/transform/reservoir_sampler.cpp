#include "core/transform/reservoir_sampler.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quarry {

namespace {

class Reservoir {
 public:
  Reservoir(long total, long size, Rand& rand)
      : total_(total), size_(size), rand_(rand), slots_(static_cast<size_t>(size)) {
    std::iota(slots_.begin(), slots_.end(), 0L);
  }

  std::vector<long> Run() {
    long t = size_;  // rows processed
    if (!RunAlgorithmX(t)) return Finish();
    RunAlgorithmZ(t);
    return Finish();
  }

 private:
  float Uniform() { return static_cast<float>(rand_.Next()) * 3.051851e-05f; }

  // The row at `position` takes a random slot. rand() / 32767 reaches 1 when rand() gives its
  // largest value, and floor(1 * size) would be a slot past the end: it counts as the last one.
  void Replace(long position) {
    const long slot = static_cast<long>(Uniform() * static_cast<float>(size_));
    slots_[static_cast<size_t>(std::min(slot, size_ - 1))] = position;
  }

  // Returns false when the rows run out during this phase.
  bool RunAlgorithmX(long& t) {
    const long threshold = kAlgorithmXThreshold * size_;
    while (t < total_ && t <= threshold) {
      const float v = Uniform();
      ++t;
      long passed = t - size_;
      double quotient = static_cast<double>(passed) / static_cast<double>(t);
      // A variate of 0 would never stop the search; past the last row nothing more can happen.
      while (quotient > v && t <= total_) {
        ++t;
        ++passed;
        quotient = quotient * static_cast<double>(passed) / static_cast<double>(t);
      }
      if (t > total_) return false;
      Replace(t - 1);
    }
    return t < total_;
  }

  void RunAlgorithmZ(long t) {
    const double n = static_cast<double>(size_);
    double w = std::exp(-std::log(static_cast<double>(Uniform())) / n);
    double term = static_cast<double>(t - size_ + 1);
    while (t < total_) {
      const double tt = static_cast<double>(t);
      double s = 0.0;
      while (true) {
        const double u = Uniform();
        const double x = tt * (w - 1.0);
        // A variate of 0 makes the skip infinite: no further row is reached.
        if (!std::isfinite(x)) return;
        s = std::floor(x);
        const double lhs = std::exp(
            std::log(((u * ((tt + 1) / term) * ((tt + 1) / term)) * (term + s)) / (tt + x)) / n);
        const double rhs = (((tt + x) / (term + s)) * term) / tt;
        if (lhs <= rhs) {
          w = rhs / lhs;
          break;
        }
        double y = (((u * (tt + 1)) / term) * (tt + s + 1)) / (tt + x);
        double denominator;
        double limit;
        if (n < s) {
          denominator = tt;
          limit = term + s;
        } else {
          denominator = tt - n + s;
          limit = tt + 1;
        }
        for (double numerator = tt + s; numerator >= limit; numerator -= 1) {
          y = (y * numerator) / denominator;
          denominator -= 1;
        }
        w = std::exp(-std::log(static_cast<double>(Uniform())) / n);
        if (std::exp(std::log(y) / n) <= (tt + x) / tt) break;
      }
      if (s >= static_cast<double>(total_ - t)) return;  // the skip passes the last row
      const long skip = static_cast<long>(s);
      Replace(t + skip);
      t += skip + 1;
      term += s + 1;
    }
  }

  std::vector<long> Finish() {
    std::sort(slots_.begin(), slots_.end());
    return std::move(slots_);
  }

  long total_;
  long size_;
  Rand& rand_;
  std::vector<long> slots_;
};

}  // namespace

std::vector<long> ReservoirPositions(long total, long size, Rand& rand) {
  if (size <= 0 || total <= 0) return {};
  if (size >= total) {
    std::vector<long> all(static_cast<size_t>(total));
    std::iota(all.begin(), all.end(), 0L);
    return all;
  }
  return Reservoir(total, size, rand).Run();
}

}  // namespace quarry
