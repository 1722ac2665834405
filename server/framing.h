#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dexmora::serve {

/// A header field as libmicrohttpd passes it: the name exactly as received
/// (a space before the colon stays in it) and the value.
using HeaderField = std::pair<std::string_view, std::string_view>;

/// Why a request's framing cannot be trusted: 400 or 501 with a message, or
/// status 0 when it can be.
struct FramingVerdict {
  unsigned status = 0;
  std::string message;
};

/// Checks what decides where a request ends (RFC 9112 section 6): one
/// Content-Length of digits or one Transfer-Encoding ending in a single
/// chunked, never both; field names that are tokens; one Host in HTTP/1.1.
/// Anything else would let a proxy in front split the bytes differently
/// from us, so the connection must close after the refusal.
FramingVerdict checkFraming(const std::vector<HeaderField>& fields, std::string_view version);

}  // namespace dexmora::serve
