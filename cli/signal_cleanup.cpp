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
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the handler may only touch lock-free atomics");

Slot slots[kTemporarySlots];
// Atomics rather than volatile sig_atomic_t: the worker threads read what the
// handler writes on whichever thread the signal arrives.
std::atomic<int> caughtSignal{0};
std::atomic<bool> removeAndDie{true};

void dieOf(int signo) {
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigaction(signo, &fallback, nullptr);
  // Still blocked inside the handler: delivered, with the default action, as it returns.
  raise(signo);
}

void onInterrupt(int signo) {
  const int saved = errno;
  const bool repeated = caughtSignal.exchange(signo) != 0;
  if (removeAndDie || repeated) {
    for (Slot& slot : slots)
      if (slot.ready.load()) unlink(slot.name);
    dieOf(signo);
  }
  errno = saved;
}

}  // namespace

void installSignalCleanup(InterruptHandling handling) {
  removeAndDie.store(handling == InterruptHandling::RemoveAndDie);
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

bool interrupted() { return caughtSignal.load() != 0; }

void dieOfInterrupt() {
  const int signo = caughtSignal.load();
  if (signo == 0) return;
  dieOf(signo);
  _exit(128 + signo);  // only if the signal is blocked here
}

}  // namespace dexmora
