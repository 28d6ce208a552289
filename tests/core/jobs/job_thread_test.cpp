#include "core/jobs/job_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

}  // namespace
}  // namespace quarry
