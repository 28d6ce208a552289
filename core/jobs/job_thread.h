#pragma once
// The thread a job runs on. Growing, classifying, pruning, copying and writing a tree walk it
// recursively, a few hundred bytes of stack per level, and a chain-like table grows a tree tens
// of thousands of levels deep: more than a thread's default stack (8 MiB, often less) holds. A
// job thread reserves kJobStackBytes of address space for its stack; memory is taken only as
// deep as a walk goes.

#include <cstddef>
#include <functional>

namespace quarry {

inline constexpr size_t kJobStackBytes = size_t{1} << 30;

// Runs `work` on a job thread and waits for it; an exception `work` throws is thrown again
// here. When no such thread can be made, `work` runs on the calling thread.
void RunOnJobStack(const std::function<void()>& work);

// Starts `work` on a detached job thread; false when no thread could be started (`work` is then
// not run). `work` must not throw.
bool StartJobThread(std::function<void()> work);

// How many independent pieces of a job (a cross-validation's folds) run at once: the value of
// the environment variable QUARRY_THREADS when it is a positive number (1 runs them one after
// another), else the number of processors.
int ParallelJobs();

// Runs work(0) .. work(count - 1), up to ParallelJobs() at once, each on a job thread of its own,
// and calls after(i) on the calling thread, in index order, once work(i) is done. When after(i)
// returns false no later piece starts (those already running are waited for, and their after is
// not called). With one at a time, work(i) and after(i) alternate on the calling thread as in a
// plain loop; so do they in a piece that runs pieces of its own, which keeps the threads at
// ParallelJobs(). Neither may throw. What the pieces share they must lock themselves; a lock that
// follows WorksFor (the data source's) is lent to them while the calling thread waits for them.
void RunInOrder(int count, const std::function<void(int)>& work,
                const std::function<bool(int)>& after);

// A mark of the calling thread, distinct from every other running thread's.
const void* ThisThreadMark();

// Whether the calling thread runs a piece of RunInOrder for the thread `mark` was taken on (or a
// piece of such a piece): then `lends` tells whether that thread now waits for its pieces.
bool WorksFor(const void* mark, bool& lends);

}  // namespace quarry
