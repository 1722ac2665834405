#pragma once

/// @file
/// The library's version.

#include <string_view>

namespace dexmora {

/// The version of the library the program runs with, e.g. "1.0".
std::string_view libraryVersion();

}  // namespace dexmora
