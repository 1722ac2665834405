#include "cli/signal_cleanup.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

namespace dexmora {

namespace {

// The handler reads a name only while `ready` is set; a writer clears it
// before touching the buffer, so a signal never sees half a name.
struct Slot {
  std::atomic<bool> ready{false};
  char name[PATH_MAX] = {};
};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler may only touch lock-free atomics");

Slot slots[kTemporarySlots];
volatile sig_atomic_t caughtSignal = 0;
volatile sig_atomic_t removeAndDie = 1;

void dieOf(int signo) {
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigaction(signo, &fallback, nullptr);
  // Still blocked inside the handler: delivered, with the default action, as it returns.
  raise(signo);
}

void onInterrupt(int signo) {
  const int saved = errno;
  const bool repeated = caughtSignal != 0;
  caughtSignal = signo;
  if (removeAndDie || repeated) {
    for (Slot& slot : slots)
      if (slot.ready.load()) unlink(slot.name);
    dieOf(signo);
  }
  errno = saved;
}

}  // namespace

void installSignalCleanup(InterruptHandling handling) {
  removeAndDie = handling == InterruptHandling::RemoveAndDie;
  struct sigaction action = {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  action.sa_flags = SA_RESTART;  // a batch that only records the signal keeps its writes going
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

std::function<void(const std::string&)> temporaryNamedInSlot(int slot) {
  if (slot < 0 || slot >= kTemporarySlots) return {};
  return [slot](const std::string& name) {
    Slot& s = slots[slot];
    s.ready.store(false);
    if (name.empty() || name.size() >= sizeof s.name) return;
    std::memcpy(s.name, name.c_str(), name.size() + 1);
    s.ready.store(true);
  };
}

bool interrupted() { return caughtSignal != 0; }

void dieOfInterrupt() {
  const int signo = caughtSignal;
  if (signo == 0) return;
  dieOf(signo);
  _exit(128 + signo);  // only if the signal is blocked here
}

}  // namespace dexmora
