#include "core/jobs/job_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/data/source_lock.h"

namespace quarry {
namespace {

class RunInOrderTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("QUARRY_THREADS"); }
  void Note(const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(event);
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

TEST_F(RunInOrderTest, OneAtATimeIsThePlainLoopAndStopsWhereAfterSaysSo) {
  setenv("QUARRY_THREADS", "1", 1);
  EXPECT_EQ(ParallelJobs(), 1);
  RunInOrder(
      6, [&](int i) { Note("w" + std::to_string(i)); },
      [&](int i) {
        Note("a" + std::to_string(i));
        return i < 2;
      });
  EXPECT_EQ(events_, (std::vector<std::string>{"w0", "a0", "w1", "a1", "w2", "a2"}));
}

TEST_F(RunInOrderTest, PiecesRunAtOnceAndAreTakenInIndexOrder) {
  setenv("QUARRY_THREADS", "2", 1);
  // Piece 0 waits for piece 1 to start: it ends only if the two run at once (a minute is the
  // bound of a hang, not a measure).
  std::condition_variable started;
  bool secondStarted = false;
  bool overlapped = false;
  std::vector<int> taken;
  int begun = 0;
  int finished = 0;
  RunInOrder(
      20,
      [&](int i) {
        std::unique_lock<std::mutex> lock(mutex_);
        ++begun;
        if (i == 1) {
          secondStarted = true;
          started.notify_all();
        }
        if (i == 0) {
          overlapped =
              started.wait_for(lock, std::chrono::minutes(1), [&] { return secondStarted; });
        }
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
        ++finished;
      },
      [&](int i) {
        taken.push_back(i);
        return i < 5;
      });
  EXPECT_TRUE(overlapped);
  EXPECT_EQ(taken, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  // Whatever had started when the run stopped has ended: nothing runs on after the return.
  std::lock_guard<std::mutex> lock(mutex_);
  EXPECT_EQ(finished, begun);
}

// The workbench holds the data source's lock over a whole job; a job that runs pieces lends it to
// them while it waits. They take it one at a time, a thread outside the job never gets it, and
// the caller takes it back between its waits.
TEST_F(RunInOrderTest, PiecesTakeTheLockTheirCallerHoldsOneAtATime) {
  setenv("QUARRY_THREADS", "2", 1);
  SourceLock lock;
  std::lock_guard<SourceLock> job(lock);
  std::atomic<int> inside{0};
  std::atomic<bool> together{false};
  std::atomic<bool> outsiderIn{false};
  auto enter = [&](int i) {
    // A minute is the bound of a hang, not a measure.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!lock.try_lock()) {
      if (std::chrono::steady_clock::now() > deadline) return Note("stuck " + std::to_string(i));
      std::this_thread::yield();
    }
    {
      std::lock_guard<SourceLock> again(lock);  // re-entrant in a piece too
      if (inside.fetch_add(1) != 0) together = true;
      std::thread([&] {
        if (lock.try_lock()) {
          outsiderIn = true;
          lock.unlock();
        }
      }).join();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      inside.fetch_sub(1);
    }
    lock.unlock();
    Note("w" + std::to_string(i));
  };
  RunInOrder(6, enter, [&](int i) {
    std::lock_guard<SourceLock> back(lock);
    if (inside.load() != 0) together = true;
    Note("a" + std::to_string(i));
    return true;
  });
  std::sort(events_.begin(), events_.end());
  EXPECT_EQ(events_, (std::vector<std::string>{"a0", "a1", "a2", "a3", "a4", "a5", "w0", "w1", "w2",
                                               "w3", "w4", "w5"}));
  EXPECT_FALSE(together);
  EXPECT_FALSE(outsiderIn);
}

}  // namespace
}  // namespace quarry
