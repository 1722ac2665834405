#include "cli/signal_cleanup.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

namespace dexmora {

namespace {

constexpr int kStopSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

// The handler reads a slot only while `ready` is set; a writer clears it
// before touching the rest, so a signal never sees half a name.
struct Slot {
  std::atomic<bool> ready{false};
  char path[PATH_MAX] = {};
  dev_t device = 0;
  ino_t inode = 0;
};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the handler may only touch lock-free atomics");

Slot slots[kTemporarySlots];
// Atomics rather than volatile sig_atomic_t: the worker threads read what the
// handler writes on whichever thread the signal arrives.
std::atomic<int> caughtSignal{0};
std::atomic<bool> removeAndDie{true};
// Set by a batch's second signal: no thread may name a new temporary.
std::atomic<bool> stopping{false};

sigset_t stopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signo : kStopSignals) sigaddset(&set, signo);
  return set;
}

// Only the temporary still at its name with its inode is ours: once renamed
// into place, the hidden name may already be another writer's.
void removeRegisteredTemporaries() {
  for (Slot& slot : slots) {
    if (!slot.ready.load()) continue;
    struct stat st;
    if (lstat(slot.path, &st) == 0 && st.st_dev == slot.device && st.st_ino == slot.inode) unlink(slot.path);
  }
}

// A batch's writers run on while the handler runs on another thread: a
// temporary announced but not yet linked would escape removal. So no new one
// is named from now on, and those in flight are waited for (a link and a
// rename, microseconds) before what remains is removed.
void letWritersFinish() {
  stopping.store(true);
  const timespec pause{0, 1000000};
  for (int waited = 0; waited < 2000; ++waited) {
    bool busy = false;
    for (Slot& slot : slots) busy = busy || slot.ready.load();
    if (!busy) return;
    nanosleep(&pause, nullptr);
  }
}

void dieOf(int signo) {
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigaction(signo, &fallback, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signo);
  // Inside the handler the signal is blocked until it returns; elsewhere this
  // unblocks it, and either way it is delivered with its default action.
  raise(signo);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
}

void onStopSignal(int signo) {
  const int saved = errno;
  int none = 0;
  const bool first = caughtSignal.compare_exchange_strong(none, signo);
  if (removeAndDie || !first) {
    if (!removeAndDie) letWritersFinish();
    removeRegisteredTemporaries();
    dieOf(signo);
  }
  errno = saved;
}

}  // namespace

void installSignalCleanup(InterruptHandling handling) {
  removeAndDie.store(handling == InterruptHandling::RemoveAndDie);
  struct sigaction action = {};
  action.sa_handler = onStopSignal;
  action.sa_mask = stopSignalSet();
  action.sa_flags = SA_RESTART;  // a batch that only records the signal keeps its writes going
  for (int signo : kStopSignals) sigaction(signo, &action, nullptr);
}

TemporaryNamed temporaryNamedInSlot(int slot) {
  if (slot < 0 || slot >= kTemporarySlots) return {};
  return [slot](const NamedTemporary& temporary) {
    Slot& s = slots[slot];
    s.ready.store(false);
    if (temporary.path.empty() || temporary.path.size() >= sizeof s.path) return;
    // The program is dying of a second signal: this writer waits for the end.
    while (stopping.load()) pause();
    std::memcpy(s.path, temporary.path.c_str(), temporary.path.size() + 1);
    s.device = static_cast<dev_t>(temporary.device);
    s.inode = static_cast<ino_t>(temporary.inode);
    s.ready.store(true);
  };
}

bool interrupted() { return caughtSignal.load() != 0; }

StopSignalsBlocked::StopSignalsBlocked() {
  const sigset_t set = stopSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, &m_previous);
}

StopSignalsBlocked::~StopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

void dieOfInterrupt() {
  const int signo = caughtSignal.load();
  if (signo == 0) return;
  dieOf(signo);
  _exit(128 + signo);  // only if the signal is ignored after all
}

}  // namespace dexmora
