#pragma once
// A seam for tests of jobs interrupted half way: the Nth change this process sends to the
// database from then on (a statement run through DataSource::Execute and its kin, or a commit;
// counted from 1) fails with kInjectedFault, or the process is killed (SIGKILL) just before it.
// A process starts with QUARRY_FAIL_AT=N or QUARRY_KILL_AT=N from its environment; without them
// nothing is ever injected. QUARRY_INTERRUPT_AT=N sends the process SIGINT (a user's Ctrl+C)
// just before its Nth change, which goes ahead.

namespace quarry {

inline constexpr const char* kInjectedFault = "injected fault";

// Counts again from 0; 0 for either means never.
void InjectFaults(long failAt, long killAt = 0);

// Counts one change; true when it is to fail.
bool InjectedFault();

}  // namespace quarry
