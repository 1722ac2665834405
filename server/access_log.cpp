#include "server/access_log.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>

#include <dexmora/error.h>
#include "dexmora_text/quoting.h"

namespace dexmora::serve {

namespace {

constexpr size_t kLongestPath = 200;

// A field never holds a space, so the line splits on spaces unambiguously.
std::string field(std::string_view text, size_t longest) {
  const bool cut = text.size() > longest;
  std::string out = escapeControlBytes(text.substr(0, longest));
  std::string spaced;
  for (const char c : out) spaced += c == ' ' ? std::string_view("%20") : std::string_view(&c, 1);
  if (cut) spaced += "...";
  return spaced.empty() ? "-" : spaced;
}

std::string rfc3339(std::chrono::system_clock::time_point time) {
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(millis / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &utc);
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%03dZ", static_cast<int>(millis % 1000));
  return std::string(date) + fraction;
}

}  // namespace

std::string accessLine(const AccessRecord& record) {
  const std::string_view path = record.target.substr(0, record.target.find('?'));
  char numbers[96];
  if (record.status != 0) {
    std::snprintf(numbers, sizeof numbers, "%u %zu %.3fms", record.status, record.bytes, record.seconds * 1000.0);
  } else {
    std::snprintf(numbers, sizeof numbers, "- %zu %.3fms", record.bytes, record.seconds * 1000.0);
  }
  return "dexmora-serve: " + rfc3339(record.start) + " " + field(record.client, 64) + " " +
         field(record.method, 16) + " " + field(path, kLongestPath) + " " + numbers + " " +
         field(record.requestId, 64) + "\n";
}

void writeAccessLine(const AccessRecord& record) {
  const std::string line = accessLine(record);
  const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
  (void)written;  // a log line that cannot be written is not the request's failure
}

}  // namespace dexmora::serve
