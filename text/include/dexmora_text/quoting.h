#pragma once

// How messages show what they quote, shared by the library and the front
// ends (an object library of its own, so one source serves both).
#include <string>
#include <string_view>
#include <vector>

namespace dexmora {

// `text` with control bytes (0-31, 127, the C1 controls), invalid UTF-8 and
// the bidirectional controls (U+202E, ...) shown as C-style escapes (a
// newline as backslash-n, any other byte as backslash-x and two hex digits)
// and a backslash doubled, so that a value quoted in a message can neither
// break the line nor steer a terminal.
std::string escapeControlBytes(std::string_view text);

// `text` escaped and in single quotes: how every message quotes a value or path.
std::string quoted(std::string_view text);

// The word among `candidates` nearest to `word` by edit distance, when it is
// near enough to be a likely typo ("sise" gives "size"); empty otherwise.
std::string_view nearestWord(std::string_view word, const std::vector<std::string_view>& candidates);

}  // namespace dexmora
