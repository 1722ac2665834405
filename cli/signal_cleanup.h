#pragma once

// SIGINT/SIGTERM handling for dexmora-cli: the named temporaries that output
// files announce are removed before the program dies of the signal, so an
// interrupted run leaves nothing beside its targets.
#include <functional>
#include <string>

namespace dexmora {

enum class InterruptHandling {
  RemoveAndDie,  // single run: remove the registered temporaries, then die of the signal (status 128+signo)
  RecordOnly,    // batch: only note it for interrupted(); a second signal removes and dies
};

// Independent registrations, one per thread writing at the same time.
inline constexpr int kTemporarySlots = 64;

// Installs the handlers for SIGINT and SIGTERM; call once, before the first write.
void installSignalCleanup(InterruptHandling handling);

// An OutputFileOptions::temporaryNamed callback that registers names in
// `slot` (0 to kTemporarySlots-1); a slot must be used by one thread at a time.
std::function<void(const std::string&)> temporaryNamedInSlot(int slot);

// A SIGINT or SIGTERM arrived (RecordOnly mode): stop taking work.
bool interrupted();

// After a batch stopped for interrupted(): dies of the signal that arrived, so
// the caller sees the status a plain run would have given. Returns if none arrived.
void dieOfInterrupt();

}  // namespace dexmora
