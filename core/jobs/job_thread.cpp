#include "core/jobs/job_thread.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace quarry {

namespace {

struct ThreadNode {
  const ThreadNode* caller = nullptr;  // the thread whose RunInOrder runs this one's piece
  std::atomic<bool> waiting{false};    // in RunInOrder, waiting for its pieces
};
thread_local ThreadNode thisThread;

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

int ParallelJobs() {
  if (const char* forced = std::getenv("QUARRY_THREADS")) {
    const int n = std::atoi(forced);
    if (n > 0) return n;
  }
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

const void* ThisThreadMark() { return &thisThread; }

bool WorksFor(const void* mark, bool& lends) {
  for (const ThreadNode* node = thisThread.caller; node != nullptr; node = node->caller) {
    if (node == mark) {
      lends = node->waiting.load();
      return true;
    }
  }
  return false;
}

void RunInOrder(int count, const std::function<void(int)>& work,
                const std::function<bool(int)>& after) {
  // A piece runs its own pieces itself: the job's threads stay at ParallelJobs().
  const int threads = thisThread.caller != nullptr ? 1 : std::min(ParallelJobs(), count);
  auto loop = [&](int from) {
    for (int i = from; i < count; ++i) {
      work(i);
      if (!after(i)) return;
    }
  };
  if (threads <= 1) {
    loop(0);
    return;
  }
  std::mutex mutex;
  std::condition_variable finished;
  std::vector<char> done(static_cast<size_t>(count), 0);
  int next = 0;
  bool stop = false;
  const ThreadNode* caller = &thisThread;
  auto worker = [&] {
    thisThread.caller = caller;
    for (;;) {
      int i = 0;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (stop || next >= count) return;
        i = next++;
      }
      work(i);
      std::lock_guard<std::mutex> lock(mutex);
      done[static_cast<size_t>(i)] = 1;
      finished.notify_all();
    }
  };
  std::vector<pthread_t> started;
  for (int t = 0; t < threads; ++t) {
    pthread_t thread;
    if (!Launch(worker, false, thread)) break;
    started.push_back(thread);
  }
  if (started.empty()) {
    loop(0);
    return;
  }
  // While this thread waits, its pieces may take over the locks it holds (WorksFor).
  for (int i = 0; i < count; ++i) {
    std::unique_lock<std::mutex> lock(mutex);
    thisThread.waiting = true;
    finished.wait(lock, [&] { return done[static_cast<size_t>(i)] != 0; });
    thisThread.waiting = false;
    lock.unlock();
    if (!after(i)) {
      lock.lock();
      stop = true;
      break;
    }
  }
  thisThread.waiting = true;
  for (pthread_t thread : started) pthread_join(thread, nullptr);
  thisThread.waiting = false;
}

}  // namespace quarry
