#include "core/jobs/job_thread.h"

#include <pthread.h>

#include <exception>
#include <memory>
#include <utility>

namespace quarry {

namespace {

void* RunWork(void* arg) {
  std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(arg));
  (*work)();
  return nullptr;
}

// Starts `work` on a thread with the largest stack the system grants, from kJobStackBytes down
// to the default; false when none could be started.
bool Launch(std::function<void()> work, bool detached, pthread_t& thread) {
  auto owned = std::make_unique<std::function<void()>>(std::move(work));
  for (size_t stack = kJobStackBytes;; stack /= 4) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    const bool sized = stack >= (size_t{8} << 20);
    if (sized) pthread_attr_setstacksize(&attr, stack);
    if (detached) pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    const int failed = pthread_create(&thread, &attr, RunWork, owned.get());
    pthread_attr_destroy(&attr);
    if (failed == 0) {
      owned.release();  // the thread owns it now
      return true;
    }
    if (!sized) return false;  // not even a default stack
  }
}

}  // namespace

void RunOnJobStack(const std::function<void()>& work) {
  std::exception_ptr thrown;
  pthread_t thread;
  const bool started = Launch(
      [&work, &thrown] {
        try {
          work();
        } catch (...) {
          thrown = std::current_exception();
        }
      },
      false, thread);
  if (!started) {
    work();
    return;
  }
  pthread_join(thread, nullptr);
  if (thrown) std::rethrow_exception(thrown);
}

bool StartJobThread(std::function<void()> work) {
  pthread_t thread;
  return Launch(std::move(work), true, thread);
}

}  // namespace quarry
