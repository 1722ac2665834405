#pragma once

// The stop signals of dexmora-cli (SIGHUP, SIGINT, SIGQUIT, SIGTERM). The
// program always ends of the signal itself, with its default action, so the
// caller sees 128+N and a calling shell loop stops too. Before that the
// temporaries that output files announce are removed, so an interrupted run
// leaves only complete files. SIGPIPE keeps its default.
#include <csignal>
#include <functional>

#include <dexmora/output_file.h>

#include "dexmora_render/tracked_write.h"

namespace dexmora {

enum class InterruptHandling {
  RemoveAndDie,  // single run: remove the registered temporaries, then die of the signal
  RecordOnly,    // batch: only note it for interrupted(); a second signal removes and dies
};

// Independent registrations, one per thread writing at the same time.
inline constexpr int kTemporarySlots = 64;

// Installs the handlers for the stop signals; call once, before the first write.
void installSignalCleanup(InterruptHandling handling);

// An OutputFileOptions::temporaryNamed callback that registers temporaries in
// `slot` (0 to kTemporarySlots-1); a slot must be used by one thread at a time.
TemporaryNamed temporaryNamedInSlot(int slot);

// A stop signal arrived (RecordOnly mode): stop taking work.
bool interrupted();

// Blocks the stop signals in the calling thread while it lives, so threads
// started meanwhile inherit the mask and the handler runs on the thread that
// waits for them.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked();
  ~StopSignalsBlocked();
  StopSignalsBlocked(const StopSignalsBlocked&) = delete;
  StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

 private:
  sigset_t m_previous;
};

// After a batch stopped for interrupted() and said its summary: dies of the
// first signal that arrived, with its default action. Returns if none arrived.
void dieOfInterrupt();

}  // namespace dexmora
