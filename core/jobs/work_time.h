#pragma once
// Where a job's time went: database work (statements, reading and writing rows) against the
// work done in memory. Jobs that report it fill one of these; benchmarks and the CLI print it.

#include <chrono>

namespace quarry {

struct WorkTime {
  double databaseSeconds = 0.0;
  double memorySeconds = 0.0;
};

// Adds the lifetime of the scope to one of the two counters.
class TimedSection {
 public:
  explicit TimedSection(double& seconds)
      : seconds_(seconds), start_(std::chrono::steady_clock::now()) {}
  ~TimedSection() {
    seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  TimedSection(const TimedSection&) = delete;
  TimedSection& operator=(const TimedSection&) = delete;

 private:
  double& seconds_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace quarry
