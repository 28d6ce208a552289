#pragma once
// The Progress a worker reports through while the status bar reads it from the GUI thread, and
// through which the user's request to stop reaches the job.

#include <atomic>
#include <mutex>
#include <string>

#include "core/jobs/progress.h"

namespace quarry::gui {

class JobProgress : public Progress {
 public:
  struct Snapshot {
    std::string what;
    long done = 0;
    long total = -1;
  };

  void Update(std::string_view what, long done, long total) override {
    std::lock_guard<std::mutex> lock(mutex_);
    last_.what.assign(what);
    last_.done = done;
    last_.total = total;
  }
  bool Cancelled() const override { return cancelled_.load(); }

  void Cancel() { cancelled_.store(true); }
  Snapshot Read() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
  }

 private:
  mutable std::mutex mutex_;
  Snapshot last_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace quarry::gui
