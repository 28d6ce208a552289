#include "core/data/source_lock.h"

#include <cassert>
#include <chrono>

#include "core/jobs/job_thread.h"

namespace quarry {

bool SourceLock::FreeForThisThread(bool& lentSoon) const {
  lentSoon = false;
  if (holds_.empty()) return true;
  const void* top = holds_.back().thread;
  if (top == ThisThreadMark()) return true;
  bool lends = false;
  if (!WorksFor(top, lends)) return false;
  lentSoon = !lends;
  return lends;
}

void SourceLock::Take() {
  if (!holds_.empty() && holds_.back().thread == ThisThreadMark()) {
    ++holds_.back().depth;
  } else {
    holds_.push_back({ThisThreadMark(), 1});
  }
}

void SourceLock::lock() {
  std::unique_lock<std::mutex> state(state_);
  bool lentSoon = false;
  while (!FreeForThisThread(lentSoon)) {
    // A holder that goes back to waiting for its pieces says so to no lock: look again shortly.
    if (lentSoon) {
      released_.wait_for(state, std::chrono::milliseconds(1));
    } else {
      released_.wait(state);
    }
  }
  Take();
}

bool SourceLock::try_lock() {
  std::lock_guard<std::mutex> state(state_);
  bool lentSoon = false;
  if (!FreeForThisThread(lentSoon)) return false;
  Take();
  return true;
}

void SourceLock::unlock() {
  std::lock_guard<std::mutex> state(state_);
  assert(!holds_.empty() && holds_.back().thread == ThisThreadMark());
  if (--holds_.back().depth > 0) return;
  holds_.pop_back();
  released_.notify_all();
}

}  // namespace quarry
