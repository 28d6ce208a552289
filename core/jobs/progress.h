#pragma once
// How a long job tells its caller how far it is and learns that the user wants it stopped.
// The CLI prints to stderr; the workbench adapts it to a progress display.

#include <string_view>

namespace quarry {

class Progress {
 public:
  virtual ~Progress() = default;
  // `done` of `total` units of the step `what` are finished; total < 0 when unknown.
  virtual void Update(std::string_view what, long done, long total) { (void)what, (void)done, (void)total; }
  virtual bool Cancelled() const { return false; }
};

// A Progress that reports nothing and never cancels.
inline Progress& NoProgress() {
  static Progress none;
  return none;
}

}  // namespace quarry
