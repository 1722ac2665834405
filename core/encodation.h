#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <dexmora/error.h>
#include <dexmora/options.h>

#include "core/encode_settings.h"

#include "core/size_table.h"

namespace dexmora {

// GS1 element strings in either notation.
inline bool gs1Input(const DataOptions& options) { return options.gs1 || options.gs1Parens; }

// The data codewords of `text` and the size they were built for.
struct DataStream {
  std::vector<uint8_t> codewords;  // without pads
  int sizeIndex = 0;
};

// Encodes `text` for the first of the candidate sizes (indices into
// SYMBOL_SIZES) whose data capacity holds the stream built for it; the stream
// may depend on the room left in the symbol. TooLong when no candidate holds
// it, NotEncodable when a forced mode cannot carry the text, BadGs1 and
// BadOption as their names say.
Expected<DataStream> encodeData(const uint8_t* text, size_t length, const DataOptions& options,
                                const int* candidates, int candidateCount);

// The first release's encodation: appends the codewords of `text` to
// `stream`, digit pairs and plain bytes as ASCII values and runs of bytes
// 128-255 as Base 256 fields randomised by their position in `stream`. Stops
// once `stream` is longer than `bound` codewords: nothing past that can be
// used, and one more step ends within 2 * bound + 1.
void appendBasic(std::vector<uint8_t>& stream, const uint8_t* text, size_t length, size_t bound);

// How many codewords appendBasic makes of `text` without a bound.
size_t basicLength(const uint8_t* text, size_t length);

// Fills codewords[used .. capacity) with pad codewords: 129, then the
// 253-state randomised pads.
void addPadding(uint8_t* codewords, int used, int capacity);

}  // namespace dexmora
