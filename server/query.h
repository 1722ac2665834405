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

/// What a '+' means: a plus in a URL's query string (RFC 3986), a space in
/// a form body (application/x-www-form-urlencoded).
enum class PlusMeans : uint8_t { Plus, Space };

/// Splits `query` (the text after '?', without it) at '&' into name=value
/// pairs and percent-decodes both, so "%00" is a zero byte and "%25" a '%'.
/// A pair without '=' has an empty value; empty pairs are skipped. BadOption
/// for a '%' not followed by two hex digits.
Expected<std::vector<Parameter>> splitQuery(std::string_view query, PlusMeans plus = PlusMeans::Plus);

/// The query of a request target: what follows the first '?', or empty.
std::string_view queryOf(std::string_view target);

}  // namespace dexmora::serve
