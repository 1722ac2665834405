#pragma once

#include <string>
#include <string_view>

namespace dexmora {

// `text` with control bytes (0-31, 127) and invalid UTF-8 shown as \n, \t,
// \xHH and a backslash as \\, so that a path or a text quoted in a message
// can neither break the line nor send escape sequences to a terminal.
std::string escapeControlBytes(std::string_view text);

// `text` escaped and in single quotes, as messages quote paths and values.
inline std::string quotedForMessage(std::string_view text) { return "'" + escapeControlBytes(text) + "'"; }

}  // namespace dexmora
