#pragma once

#include <cstdint>

#include "classic/symbol.h"

// Encodes `length` bytes of `text` (ASCII, digit pairs, Base 256 fields),
// chooses the symbol size honouring requestedSize where the stream fits (the
// largest symbol takes what fits of a longer one), sets the size fields of
// `symbol` and allocates its codewords buffer. Ends the process with status 7
// when that buffer cannot be allocated.
void dmEncodeData(DmSymbol* symbol, const uint8_t* text, int32_t length);

// Fills the data capacity behind the encoded stream with pad codewords.
void dmAddPadding(DmSymbol* symbol);
