#include "render/output_file_temporary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace dexmora {

namespace {

// Beyond this many live writers of one target a write gives up with EEXIST.
constexpr unsigned kMaxSlots = 4096;
// Longer names are cut and hashed so the hidden name stays within NAME_MAX (255).
constexpr size_t kMaxStem = 200;
constexpr size_t kCutStem = 191;

uint32_t fnv1a(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

std::string stemOf(std::string_view name) {
  if (name.size() <= kMaxStem) return std::string(name);
  size_t cut = kCutStem;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;  // not inside a UTF-8 character
  static constexpr char kHex[] = "0123456789abcdef";
  std::string stem(name.substr(0, cut));
  stem += '~';
  const uint32_t hash = fnv1a(name);
  for (int shift = 28; shift >= 0; shift -= 4) stem += kHex[(hash >> shift) & 15];
  return stem;
}

enum class Leftover { Absent, Removed, Live };

// What lies at `hidden`: nothing, a dead writer's temporary (removed now), or
// something this writer may not touch: a live writer's temporary, a file it
// cannot open for writing, anything but a regular file.
Leftover removeIfAbandoned(int dirFd, const std::string& hidden) {
  const int fd = openat(dirFd, hidden.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? Leftover::Absent : Leftover::Live;
  Leftover result = Leftover::Live;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lockTemporary(fd)) {
    // Under the lock only the lock holder unlinks; a name already unlinked
    // may now hold a newer writer's file, which must stay.
    if (fstat(fd, &st) == 0 && st.st_nlink == 0) result = Leftover::Absent;
    else if (unlinkat(dirFd, hidden.c_str(), 0) == 0) result = Leftover::Removed;
  }
  close(fd);
  return result;
}

}  // namespace

std::string hiddenTemporaryName(std::string_view name, unsigned slot) {
  return "." + stemOf(name) + "." + std::to_string(slot) + ".dexmora-tmp";
}

bool lockTemporary(int fd) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

int claimTemporarySlot(int dirFd, std::string_view name, const std::function<int(const std::string&)>& place,
                       unsigned& slot, std::string& hidden) {
  // Bounded: a name that keeps coming back cannot hold a writer here forever.
  unsigned attempts = 0;
  for (slot = 0; slot < kMaxSlots && attempts < 2 * kMaxSlots; ++attempts) {
    hidden = hiddenTemporaryName(name, slot);
    const int reason = place(hidden);
    if (reason != EEXIST) return reason;
    if (removeIfAbandoned(dirFd, hidden) == Leftover::Live) ++slot;
  }
  return EEXIST;
}

void removeLeftoversAfter(int dirFd, std::string_view name, unsigned slot) {
  for (unsigned next = slot + 1; next < kMaxSlots; ++next) {
    if (removeIfAbandoned(dirFd, hiddenTemporaryName(name, next)) == Leftover::Absent) return;
  }
}

}  // namespace dexmora
