#include "render/output_file_names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include <dexmora/error.h>

namespace dexmora {

namespace {

struct NamedDescriptor {
  std::string_view path;
  int fd;
};

constexpr NamedDescriptor kStandardNames[] = {
    {"/dev/stdin", 0},
    {"/dev/stdout", 1},
    {"/dev/stderr", 2},
};

constexpr std::string_view kDescriptorDirectories[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"};

// The kernel's own bound on the links one path may pass.
constexpr int kMaxLinks = 40;

// A directory handle that owns its descriptor unless it is the caller's.
class WalkDirectory {
 public:
  explicit WalkDirectory(int fd) : m_fd(fd) {}
  ~WalkDirectory() { release(); }
  WalkDirectory(const WalkDirectory&) = delete;
  WalkDirectory& operator=(const WalkDirectory&) = delete;

  int fd() const { return m_fd; }
  // Moves to `part` of the current directory ("/" from anywhere); false when it is no directory.
  bool enter(const std::string& part) {
    const int next = part == "/" ? open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)
                                 : openat(m_fd, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) return false;
    release();
    m_fd = next;
    m_owned = true;
    return true;
  }

 private:
  void release() {
    if (m_owned) close(m_fd);
  }
  int m_fd;
  bool m_owned = false;
};

// Pushes the parts of `path` so that its first part is taken first; "/" stands for a leading slash.
void pushParts(std::vector<std::string>& pending, const std::string& path) {
  std::vector<std::string> parts;
  if (!path.empty() && path[0] == '/') parts.emplace_back("/");
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    start = end + 1;
  }
  pending.insert(pending.end(), parts.rbegin(), parts.rend());
}

int descriptorNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 9) return -1;
  int fd = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    fd = fd * 10 + (c - '0');
  }
  return fd;
}

bool isOwnDescriptorDirectory(int dir) {
  struct stat st;
  if (fstat(dir, &st) != 0) return false;
  for (const char* own : {"/proc/self/fd", "/proc/thread-self/fd"}) {
    struct stat ownSt;
    if (stat(own, &ownSt) == 0 && ownSt.st_dev == st.st_dev && ownSt.st_ino == st.st_ino) return true;
  }
  return false;
}

std::string readLinkAt(int dir, const std::string& name) {
  std::string buffer(PATH_MAX, '\0');
  const ssize_t n = readlinkat(dir, name.c_str(), buffer.data(), buffer.size());
  if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return {};
  buffer.resize(static_cast<size_t>(n));
  return buffer;
}

}  // namespace

int descriptorNamedBy(std::string_view path) {
  for (const auto& standard : kStandardNames)
    if (path == standard.path) return standard.fd;
  for (std::string_view dir : kDescriptorDirectories)
    if (path.substr(0, dir.size()) == dir) return descriptorNumber(path.substr(dir.size()));
  return -1;
}

// Walked by hand because the kernel, following /proc/self/fd/N itself,
// opens whatever file N holds (the /dev/null standing in for a closed
// standard output, say) and keeps no trace of having passed N.
int descriptorReachedBy(int dirFd, const std::string& name) {
  WalkDirectory dir(dirFd);
  std::vector<std::string> pending;
  pushParts(pending, name);
  for (int links = 0; !pending.empty();) {
    const std::string part = std::move(pending.back());
    pending.pop_back();
    if (part == "/") {
      if (!dir.enter(part)) return -1;
      continue;
    }
    const bool last = pending.empty();
    if (last && isOwnDescriptorDirectory(dir.fd())) return descriptorNumber(part);
    struct stat st;
    if (fstatat(dir.fd(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return -1;
    if (S_ISLNK(st.st_mode)) {
      const std::string target = readLinkAt(dir.fd(), part);
      if (++links > kMaxLinks || target.empty()) return -1;
      pushParts(pending, target);
    } else if (last || !dir.enter(part)) {
      return -1;
    }
  }
  return -1;
}

std::string nameOfDescriptor(int fd) {
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  std::string buffer(PATH_MAX, '\0');
  const ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
  if (n <= 0 || static_cast<size_t>(n) >= buffer.size() || buffer[0] != '/') return {};
  buffer.resize(static_cast<size_t>(n));
  return buffer;
}

void splitPath(const std::string& path, std::string& dir, std::string& name) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    dir = ".";
    name = path;
    return;
  }
  dir = slash == 0 ? "/" : path.substr(0, slash);
  name = path.substr(slash + 1);
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir == ".") return name;
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string errorText(int errnum) {
  char buffer[128];
  return strerror_r(errnum, buffer, sizeof buffer);  // the GNU variant returns the text
}

std::string fileMessage(std::string_view path, std::string_view cause) {
  return "cannot write '" + escapeControlBytes(path) + "': " + std::string(cause);
}

std::string directoryMessage(std::string_view path, std::string_view dir, int errnum) {
  return fileMessage(path, "cannot create a file in directory '" + escapeControlBytes(dir) + "': " + errorText(errnum));
}

}  // namespace dexmora
