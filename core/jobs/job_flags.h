#pragma once
// The per-method job state every method follows: a running flag, set from the moment a job is
// started until its worker ends, and a start latch that is clear only while a start is under
// way, so that two quick clicks can never start two jobs of one method. Several methods may run
// at once; each method has its own flags and at most one job.

#include <atomic>

namespace quarry {

inline constexpr const char* kMethodInWorkingStatus =
    "method in working status, Please, try again later";

struct JobFlags {
  std::atomic<bool> running{false};
  std::atomic<bool> startLatch{true};
};

// Holds the start latch while a job is being started. Taking it fails when a job of the method
// runs or another start holds the latch. A claim that is not Commit()ed (the worker could not be
// started) clears the running flag again; either way the latch is set again at the end.
class StartClaim {
 public:
  enum class Refusal { kNone, kRunning, kLatched };

  explicit StartClaim(JobFlags& flags) : flags_(flags) {
    if (flags_.running.load()) {
      refusal_ = Refusal::kRunning;
      return;
    }
    if (!flags_.startLatch.exchange(false)) {
      refusal_ = Refusal::kLatched;
      return;
    }
    flags_.running.store(true);
  }
  ~StartClaim() {
    if (refusal_ != Refusal::kNone) return;
    if (!committed_) flags_.running.store(false);
    flags_.startLatch.store(true);
  }
  StartClaim(const StartClaim&) = delete;
  StartClaim& operator=(const StartClaim&) = delete;

  bool Taken() const { return refusal_ == Refusal::kNone; }
  Refusal Why() const { return refusal_; }
  // The worker now owns the running flag and clears it when it ends.
  void Commit() { committed_ = true; }

 private:
  JobFlags& flags_;
  Refusal refusal_ = Refusal::kNone;
  bool committed_ = false;
};

}  // namespace quarry
