#pragma once

#include <cstdint>
#include <vector>

#include <dexmora/error.h>
#include <dexmora/options.h>

#include "core/encode_settings.h"

namespace dexmora {

// The ASCII-mode codewords that precede the data, in this order: structured
// append, reader programming, Macro 05/06, FNC1 in first position (GS1), ECI.
// The options must have passed checkEncodeOptions.
std::vector<uint8_t> headerCodewords(const DataOptions& options);

// The ECI designator's codewords: 241 then 1-3 codewords for value 0..999999 (the standard's ranges:
// 0-126 -> value+1; 127-16382 -> two codewords; 16383-999999 -> three codewords). Checked values only.
std::vector<uint8_t> eciCodewords(int value);

}  // namespace dexmora
