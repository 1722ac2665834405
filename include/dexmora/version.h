#pragma once

/// @file
/// The library's version.

#include <string_view>

#include <dexmora/export.h>

namespace dexmora {

/// The version of the library the program runs with, e.g. "1.0".
DEXMORA_EXPORT std::string_view libraryVersion();

}  // namespace dexmora
