#pragma once

#include <cstdint>

#include "symbol.h"

// The symbol steps of the encode pipeline, in the order dmEncode runs them.
// The library does the encoding whole (encodation, size, pads, Reed-Solomon,
// placement); dmEncodeData keeps what it made, and each step fills its own
// part of the record from that, so the record passes through the states the
// first release's did. The later steps do nothing for a symbol dmEncodeData
// did not fill.

// Has the library encode `length` bytes of `text` in basic encodation at the
// size requestedSize names when the text fits it, else at the smallest square
// that holds the text; keeps the finished symbol, sets the size fields and
// allocates `codewords` with the encoded data followed by zeros. An empty
// text, or one no size holds, is refused: "dmEncodeData: " and the library's
// reason go to stderr, errno is EINVAL and the symbol stays clear. Ends the
// process with status 7 when memory runs out.
void dmEncodeData(DmSymbol* symbol, const uint8_t* text, int32_t length);

// Fills the data capacity behind the encoded data with the pad codewords.
void dmAddPadding(DmSymbol* symbol);

// Writes the interleaved Reed-Solomon codewords behind the data: error
// codeword e of block b at dataCodewords + b + e * blockCount.
void dmComputeEcc(DmSymbol* symbol);

// Allocates the cleared gridRows x gridCols module grid. Ends the process with
// status 1 for a null symbol and 2 when the memory cannot be obtained.
void dmAllocGrid(DmSymbol* symbol);

// Fills the module grid with the mapping matrix: every module that holds a
// codeword bit is DM_MODULE_ASSIGNED | DM_MODULE_VISITED, plus DM_MODULE_DARK
// when dark; the fixed bottom-right corner pattern, where no codeword
// reaches, is DM_MODULE_DARK or 0.
void dmPlaceCodewords(DmSymbol* symbol);
