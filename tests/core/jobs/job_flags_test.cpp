#include "core/jobs/job_flags.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace quarry {
namespace {

TEST(StartClaim, SecondStartIsRefusedWhileTheJobRuns) {
  JobFlags flags;
  {
    StartClaim first(flags);
    ASSERT_TRUE(first.Taken());
    first.Commit();
  }
  EXPECT_TRUE(flags.running);
  EXPECT_TRUE(flags.startLatch);
  StartClaim second(flags);
  EXPECT_EQ(second.Why(), StartClaim::Refusal::kRunning);

  flags.running = false;  // the worker ended
  StartClaim third(flags);
  EXPECT_TRUE(third.Taken());
}

TEST(StartClaim, StartUnderWayRefusesAnotherAndFailedStartLeavesNothingRunning) {
  JobFlags flags;
  {
    StartClaim first(flags);
    ASSERT_TRUE(first.Taken());
    flags.running = false;  // seen from a second click before the first has set running
    StartClaim second(flags);
    EXPECT_EQ(second.Why(), StartClaim::Refusal::kLatched);
    flags.running = true;
    // not committed: the worker never started
  }
  EXPECT_FALSE(flags.running);
  EXPECT_TRUE(flags.startLatch);
}

TEST(StartClaim, ManyThreadsStartOneJob) {
  JobFlags flags;
  std::atomic<int> started{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&] {
      while (!go) std::this_thread::yield();
      for (int k = 0; k < 1000; ++k) {
        StartClaim claim(flags);
        if (claim.Taken()) {
          ++started;
          claim.Commit();
        }
      }
    });
  }
  go = true;
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(started, 1);
}

}  // namespace
}  // namespace quarry
