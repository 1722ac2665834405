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

enum class Leftover { Absent, Removed, Changed, Live };

// What lies at `hidden`: nothing, a dead writer's temporary (removed now),
// a file that took the name while it was being looked at (look again), or
// something this writer may not touch: a live writer's temporary, a file it
// cannot open for writing, anything but a regular file.
Leftover removeIfAbandoned(int dirFd, const std::string& hidden) {
  const int fd = openat(dirFd, hidden.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? Leftover::Absent : Leftover::Live;
  Leftover result = Leftover::Live;
  struct stat opened;
  if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && lockTemporary(fd)) {
    // The lock proves only that the inode's writer is gone: it may have
    // renamed it into place, and the name may since belong to a new writer.
    // Every owner holds its lock until its name is gone, so while the name
    // still leads to the locked inode nobody else can change it.
    struct stat named;
    if (fstatat(dirFd, hidden.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
      result = errno == ENOENT ? Leftover::Absent : Leftover::Live;
    } else if (named.st_dev != opened.st_dev || named.st_ino != opened.st_ino) {
      result = Leftover::Changed;
    } else if (unlinkat(dirFd, hidden.c_str(), 0) == 0) {
      result = Leftover::Removed;
    }
  }
  close(fd);
  return result;
}

}  // namespace

std::string hiddenTemporaryName(std::string_view name, unsigned slot) {
  return "." + stemOf(name) + "." + std::to_string(slot) + ".dexmora-tmp";
}

bool isTemporaryName(std::string_view name) {
  constexpr std::string_view kSuffix = ".dexmora-tmp";
  if (name.size() <= kSuffix.size() || name.front() != '.' || name.substr(name.size() - kSuffix.size()) != kSuffix)
    return false;
  const std::string_view rest = name.substr(1, name.size() - kSuffix.size() - 1);  // "STEM.K"
  const size_t dot = rest.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == rest.size()) return false;
  for (const char c : rest.substr(dot + 1))
    if (c < '0' || c > '9') return false;
  return true;
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
