#include "render/output_file_names.h"
#include "dexmora_text/quoting.h"

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

}  // namespace

int descriptorNamedBy(std::string_view path) {
  for (const auto& standard : kStandardNames)
    if (path == standard.path) return standard.fd;
  for (std::string_view dir : kDescriptorDirectories) {
    if (path.substr(0, dir.size()) != dir) continue;
    const std::string_view digits = path.substr(dir.size());
    if (digits.empty() || digits.size() > 9) return -1;
    int fd = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return -1;
      fd = fd * 10 + (c - '0');
    }
    return fd;
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
