#include "cli/module_path.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

// The folder above the one the program runs from, with a trailing '/'.
std::string programPrefix() {
  std::vector<char> path(4096);
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return {};
  std::string program(path.data(), static_cast<size_t>(length));
  for (int up = 0; up < 2; ++up) {
    const size_t slash = program.rfind('/');
    if (slash == std::string::npos) return {};
    program.resize(slash);
  }
  return program + "/";
}

}  // namespace

std::string findModule(const char* variable, const char* file) {
  if (const char* chosen = std::getenv(variable)) return chosen;
  std::vector<std::string> paths;
  const std::string prefix = programPrefix();
  if (!prefix.empty()) {
    paths.push_back(prefix + "lib/" + file);
    paths.push_back(prefix + DEXMORA_MODULE_RELATIVE_DIR "/" + file);
  }
  for (const std::string& path : paths) {
    if (access(path.c_str(), F_OK) == 0) return path;
  }
  return DEXMORA_MODULE_INSTALL_DIR "/" + std::string(file);
}
