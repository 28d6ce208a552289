#pragma once
// The data source's exclusive-use lock. It is re-entrant, and a job's pieces share it: while a
// thread that holds it waits in RunInOrder for pieces of its work (the workbench holds it over a
// whole job), those pieces may take it over, one at a time, on top of its hold; the holder takes
// it back when it goes on. Every other thread waits until the holder lets it go.

#include <condition_variable>
#include <mutex>
#include <vector>

namespace quarry {

class SourceLock {
 public:
  void lock();
  bool try_lock();
  void unlock();

 private:
  // Whether the calling thread may take the lock now; state_ held. `lentSoon` is set when the
  // holder is a thread the caller works for that does not wait for its pieces just now.
  bool FreeForThisThread(bool& lentSoon) const;
  void Take();

  struct Hold {
    const void* thread;  // ThisThreadMark() of the holder
    int depth;
  };
  std::mutex state_;
  std::condition_variable released_;
  // The holders, each on top of the one whose piece it runs.
  std::vector<Hold> holds_;
};

}  // namespace quarry
