#include "core/data/fault_injection.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace quarry {

namespace {

long EnvCount(const char* name) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::atol(text) : 0;
}

struct Faults {
  std::atomic<long> failAt{EnvCount("QUARRY_FAIL_AT")};
  std::atomic<long> killAt{EnvCount("QUARRY_KILL_AT")};
  std::atomic<long> interruptAt{EnvCount("QUARRY_INTERRUPT_AT")};
  std::atomic<long> changes{0};
};

Faults& Injected() {
  static Faults faults;
  return faults;
}

}  // namespace

void InjectFaults(long failAt, long killAt) {
  Faults& faults = Injected();
  faults.changes = 0;
  faults.failAt = failAt;
  faults.killAt = killAt;
}

bool InjectedFault() {
  Faults& faults = Injected();
  if (faults.failAt <= 0 && faults.killAt <= 0 && faults.interruptAt <= 0) return false;
  const long n = ++faults.changes;
  if (n == faults.killAt) std::raise(SIGKILL);
  if (n == faults.interruptAt) std::raise(SIGINT);
  return n == faults.failAt;
}

}  // namespace quarry
