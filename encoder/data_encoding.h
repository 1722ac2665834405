#pragma once

#include <cstdint>

#include "encoder/symbol.h"

// Size of the scratch area the scan assembles its codeword stream in.
constexpr int DM_SCRATCH_CODEWORDS = 4096;

// Encodes `length` bytes of `text` (ASCII, digit pairs, Base 256 fields),
// chooses the symbol size honouring requestedSize where the stream fits,
// sets the size fields of `symbol` and allocates its codewords buffer.
// Ends the process with status 7 when that buffer cannot be allocated.
void dmEncodeData(DmSymbol* symbol, const uint8_t* text, int32_t length);

// The row of SymbolAttributes for a stream of `streamLength` codewords: the
// requestedSize row when it exists and holds the stream, else the smallest
// row that does; the largest row when none does (the stream is then cut).
int dmSelectSizeIndex(int64_t streamLength);

// Appends the Base 256 field for the high bytes first..last (inclusive) at
// `cursor`, randomising every codeword after the latch by its position
// counted from `streamStart`. Returns the text byte just after the run.
const uint8_t* dmEncodeBase256Run(const uint8_t* first, const uint8_t* last, const uint8_t* streamStart,
                                  uint8_t*& cursor);

// Fills the data capacity behind the encoded stream with pad codewords.
void dmAddPadding(DmSymbol* symbol);

// Number of codewords `length` bytes of `text` encode to, counted without a
// length bound and without building a symbol; above DM_MAX_DATA_CODEWORDS
// the text does not fit any size.
int64_t dmDataStreamLength(const uint8_t* text, int64_t length);
