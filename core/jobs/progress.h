#pragma once
// How a long job tells its caller how far it is and learns that the user wants it stopped.
// The CLI prints to stderr; the workbench adapts it to a progress display.

#include <mutex>
#include <string_view>

namespace quarry {

class Progress {
 public:
  virtual ~Progress() = default;
  // `done` of `total` units of the step `what` are finished; total < 0 when unknown.
  virtual void Update(std::string_view what, long done, long total) {
    (void)what, (void)done, (void)total;
  }
  virtual bool Cancelled() const { return false; }
};

// A Progress that reports nothing and never cancels.
inline Progress& NoProgress() {
  static Progress none;
  return none;
}

// Passes the calls of pieces of a job running on several threads on to the job's Progress, one
// at a time: each piece has one, all sharing `mutex`.
class SerialProgress : public Progress {
 public:
  SerialProgress(Progress& inner, std::mutex& mutex) : inner_(inner), mutex_(mutex) {}
  void Update(std::string_view what, long done, long total) override {
    std::lock_guard<std::mutex> lock(mutex_);
    inner_.Update(what, done, total);
  }
  bool Cancelled() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_.Cancelled();
  }

 private:
  Progress& inner_;
  std::mutex& mutex_;
};

}  // namespace quarry
