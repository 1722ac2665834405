#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/expected.h"
#include "core/sizes.h"

namespace dexmora {

// How the text becomes data codewords.
enum class Encodation : uint8_t {
  Basic,    // ASCII with digit pairs and Base 256 fields, exactly as the first release
  Minimal,  // the shortest stream over all six modes and their switches
  Ascii,    // forced single modes, for applications that demand one
  C40,
  Text,
  X12,
  Edifact,
  Base256,
};

// Structured append: this symbol's place in a sequence of up to 16.
struct StructuredAppend {
  int position = 0;  // 1..count; 0 when the symbol stands alone
  int count = 0;     // 2..16
  int fileId = 0;    // identifies the sequence: 1..64516 (0 = 1), written as two codewords 1..254
};

struct DataOptions {
  Encodation encodation = Encodation::Basic;
  bool gs1 = false;                // the text is GS1 element strings in bracket form
  bool gs1GroupSeparator = false;  // separate variable-length fields with GS (29) instead of FNC1
  bool gs1NoCheck = false;         // accept application identifiers the table does not know
  int eci = -1;                    // ECI designator to put first; -1 for none
  bool readerInit = false;         // reader programming symbol
  int macro = 0;                   // 5 or 6 for the Macro 05 / Macro 06 header; 0 for none
  StructuredAppend structuredAppend;
};

// Why these options cannot go together, or nullopt when they can.
std::optional<Error> checkDataOptions(const DataOptions& options);

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
