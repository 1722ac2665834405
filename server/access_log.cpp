#include "server/access_log.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>

#include <dexmora/error.h>
#include "dexmora_text/quoting.h"

namespace dexmora::serve {

namespace {
constexpr size_t kLongestPath = 200;
}

void writeAccessLine(std::string_view method, std::string_view target, unsigned status, size_t bytes, double seconds) {
  std::string_view path = target.substr(0, target.find('?'));
  const bool cut = path.size() > kLongestPath;
  if (cut) path = path.substr(0, kLongestPath);
  const std::string shown = escapeControlBytes(path) + (cut ? "..." : "");
  const std::string verb = escapeControlBytes(method.substr(0, 16));
  char statusText[12] = "-";
  if (status != 0) std::snprintf(statusText, sizeof statusText, "%u", status);
  char line[1200];
  const int length = std::snprintf(line, sizeof line, "dexmora-serve: %s %s %s %zu %.3fms\n",
                                   verb.c_str(), shown.c_str(), statusText, bytes,
                                   seconds * 1000.0);
  if (length > 0) {
    const ssize_t written = write(STDERR_FILENO, line, std::min<size_t>(static_cast<size_t>(length), sizeof line - 1));
    (void)written;  // a log line that cannot be written is not the request's failure
  }
}

}  // namespace dexmora::serve
