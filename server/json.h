#pragma once

#include <string>
#include <string_view>

namespace dexmora::serve {

/// Appends `text` to `out` as a JSON string, quotes included; control
/// characters as \u00XX, bytes that are not UTF-8 as U+FFFD.
void appendJsonString(std::string& out, std::string_view text);

/// {"error": code, "message": message} and a newline.
std::string errorJson(std::string_view code, std::string_view message);

}  // namespace dexmora::serve
