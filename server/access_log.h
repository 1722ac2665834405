#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace dexmora::serve {

/// What the access log says about one finished request.
struct AccessRecord {
  std::chrono::system_clock::time_point start;
  std::string_view client;     ///< the peer's address, or the trusted proxy's X-Forwarded-For hop
  std::string_view method;
  std::string_view target;     ///< as sent; only the path is written, never the query's data
  unsigned status = 0;         ///< 0 when none was sent
  size_t bytes = 0;            ///< body bytes sent
  double seconds = 0;
  std::string_view requestId;
};

/// The line for `record`: RFC 3339 time in UTC, client, method, path,
/// status ("-" when none), bytes, milliseconds and request id, each field
/// free of spaces and control bytes.
std::string accessLine(const AccessRecord& record);

/// Writes accessLine() to standard error in one write, so lines of several
/// threads never mix.
void writeAccessLine(const AccessRecord& record);

}  // namespace dexmora::serve
