#include "core/data/rows_ahead.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/data/data_source.h"

namespace quarry {

namespace {

// Rows pass between the threads in batches: one filled by the reader while the other is used.
constexpr size_t kBatchRows = 1024;

using Batch = std::vector<std::vector<std::string>>;

// The batch handed from the reader to the user, and whose turn it is.
class Handover {
 public:
  explicit Handover(const RowUser& use) : use_(use), handed_(kBatchRows) {}

  // Swaps the reader's full batch for the emptied one, once the user is done with it.
  void Hand(Batch& filled, size_t rows) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !full_; });
    std::swap(filled, handed_);
    handedRows_ = rows;
    full_ = true;
    changed_.notify_all();
  }

  void Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    changed_.notify_all();
  }

  // The user's thread.
  void Run() {
    while (true) {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return full_ || finished_; });
      if (!full_) return;
      lock.unlock();
      for (size_t i = 0; i < handedRows_; ++i) use_(handed_[i]);
      lock.lock();
      full_ = false;
      changed_.notify_all();
    }
  }

 private:
  const RowUser& use_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Batch handed_;
  size_t handedRows_ = 0;
  bool full_ = false;
  bool finished_ = false;
};

}  // namespace

long ReadRowsAhead(DataSource& source, long limit, const RowUser& use) {
  Batch filling(kBatchRows);
  Handover handover(use);
  std::thread user;
  long read = 0;
  size_t rows = 0;
  for (bool more = limit != 0 && source.FirstRow(filling[0]); more;
       more = (limit < 0 || read < limit) && source.NextRow(filling[rows])) {
    ++read;
    if (++rows == kBatchRows) {
      // Fewer rows than a batch are used on this thread, without a second one.
      if (!user.joinable()) user = std::thread([&] { handover.Run(); });
      handover.Hand(filling, rows);
      rows = 0;
    }
  }
  if (user.joinable()) {
    if (rows > 0) handover.Hand(filling, rows);
    handover.Finish();
    user.join();
  } else {
    for (size_t i = 0; i < rows; ++i) use(filling[i]);
  }
  return read;
}

}  // namespace quarry
