#pragma once

#include <cstddef>
#include <string_view>

namespace dexmora::serve {

/// Writes one line for a finished request to standard error, in one write
/// so lines of several threads never mix: method, the path without the
/// query (never the data), status ("-" when none was sent), body bytes and
/// milliseconds.
void writeAccessLine(std::string_view method, std::string_view target, unsigned status, size_t bytes, double seconds);

}  // namespace dexmora::serve
