#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <dexmora/error.h>

namespace dexmora::serve {

/// One name=value pair of a query string or form body, percent-decoded.
struct Parameter {
  std::string name;
  std::string value;
};

/// What a '+' means: a space, as HTML forms, URLSearchParams and Python's
/// urlencode write one in queries and form bodies; or, for callers that
/// decode a bare RFC 3986 query, a plus.
enum class PlusMeans : uint8_t { Plus, Space };

/// Splits `query` (the text after '?', without it) at '&' into name=value
/// pairs and percent-decodes both, so "%00" is a zero byte, "%25" a '%' and
/// "%2B" a '+'. A pair without '=' has an empty value; empty pairs are
/// skipped. BadOption for a '%' not followed by two hex digits.
Expected<std::vector<Parameter>> splitQuery(std::string_view query, PlusMeans plus = PlusMeans::Space);

/// The query of a request target: what follows the first '?', or empty.
std::string_view queryOf(std::string_view target);

}  // namespace dexmora::serve
