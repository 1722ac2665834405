#pragma once

// The hidden temporaries a replacement goes through: ".NAME.K.dexmora-tmp"
// beside the target, K a slot number. A writer takes the open-file-description
// lock of its temporary before the name exists and holds it until the name is
// gone (renamed or removed), so a name whose lock can be taken, and that still
// leads to the inode locked, belongs to a writer that died; only such
// leftovers are ever removed.
#include <functional>
#include <string>
#include <string_view>

namespace dexmora {

// The hidden name of slot `slot` beside `name`.
std::string hiddenTemporaryName(std::string_view name, unsigned slot);

// Whether `name` has the form of a hidden name (".STEM.K.dexmora-tmp"): a
// file given one could be taken for a dead writer's leftover and removed.
bool isTemporaryName(std::string_view name);

// Takes the exclusive lock of `fd` (open for writing) without waiting; false
// with errno set when another open file description holds it.
bool lockTemporary(int fd);

// Gives the locked temporary the hidden name of the first slot beside `name`
// in `dirFd` that is free or held by a dead writer's leftover (removed on the
// way). `place(hidden)` makes the name (a link, or an O_EXCL create) and
// returns 0 or its errno; EEXIST moves on. Returns 0 with `slot` and `hidden`
// set, or the errno that stopped it.
int claimTemporarySlot(int dirFd, std::string_view name, const std::function<int(const std::string&)>& place,
                       unsigned& slot, std::string& hidden);

// Removes the dead writers' leftovers in the slots after `slot`, up to the
// first free one.
void removeLeftoversAfter(int dirFd, std::string_view name, unsigned slot);

}  // namespace dexmora
