#pragma once

// HTTP's text rules as the service reads headers and values: ASCII case is
// folded, spaces and tabs around a value are not part of it.
#include <cstddef>
#include <string_view>

namespace dexmora::serve {

inline char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

// `text` without the spaces and tabs around it (HTTP's OWS).
inline std::string_view trimSpace(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace dexmora::serve
