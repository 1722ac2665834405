#include "render/output_file_names.h"
#include "dexmora_text/quoting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

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

int descriptorNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 9) return -1;
  int fd = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    fd = fd * 10 + (c - '0');
  }
  return fd;
}

// Whether `dir` (from `dirFd`, its links followed) is this process's or this thread's descriptor directory.
bool isOwnDescriptorDirectory(int dirFd, const std::string& dir) {
  struct stat st;
  if (fstatat(dirFd, dir.c_str(), &st, 0) != 0) return false;
  for (const char* own : {"/proc/self/fd", "/proc/thread-self/fd"}) {
    struct stat ownSt;
    if (stat(own, &ownSt) == 0 && ownSt.st_dev == st.st_dev && ownSt.st_ino == st.st_ino) return true;
  }
  return false;
}

}  // namespace

int descriptorNamedBy(std::string_view path) {
  for (const auto& standard : kStandardNames)
    if (path == standard.path) return standard.fd;
  for (std::string_view dir : kDescriptorDirectories)
    if (path.substr(0, dir.size()) == dir) return descriptorNumber(path.substr(dir.size()));
  return -1;
}

// Only the last name's links are followed by hand: the kernel, following
// /proc/self/fd/N itself, opens whatever file N holds (the /dev/null
// standing in for a closed standard output, say) and keeps no trace of N.
int descriptorReachedBy(int dirFd, const std::string& name) {
  std::string dir = ".";
  std::string last = name;
  for (int links = 0; links <= kMaxLinks; ++links) {
    if (isOwnDescriptorDirectory(dirFd, dir)) return descriptorNumber(last);
    std::string target(PATH_MAX, '\0');
    const ssize_t n = readlinkat(dirFd, joinPath(dir, last).c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return -1;
    target.resize(static_cast<size_t>(n));
    splitPath(target[0] == '/' ? target : joinPath(dir, target), dir, last);
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
