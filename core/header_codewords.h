#pragma once

#include <cstdint>
#include <vector>

#include "core/encodation.h"
#include "core/expected.h"

namespace dexmora {

// The ASCII-mode codewords that precede the data, in this order: structured
// append, reader programming, Macro 05/06, FNC1 in first position (GS1), ECI.
// The options must have passed checkDataOptions.
Expected<std::vector<uint8_t>> headerCodewords(const DataOptions& options);

}  // namespace dexmora
