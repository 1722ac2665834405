#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/expected.h"

namespace dexmora {

constexpr uint16_t FNC1_UNIT = 256;  // FNC1 as an input unit; bytes are 0..255
constexpr uint8_t GS1_GROUP_SEPARATOR = 29;

// The element strings of `text` (bracket form "[01]09521234543213[17]271231[10]AB-123") as input units,
// WITHOUT the leading FNC1: AI digits and data bytes, with FNC1_UNIT (or byte 29 when groupSeparator)
// after each variable-length element string that is not last.
//
// Every AI is checked against GS1's syntax dictionary: its data's length, character set and the
// content checks (check digits, dates, times, country and currency codes, percent-encoding, ...).
// `noCheck` accepts AIs the dictionary does not know, as variable-length set 82 data; AIs it knows
// are checked all the same, and malformed brackets are refused either way. Errors are BadGs1.
Expected<std::vector<uint16_t>> parseGs1(const uint8_t* text, size_t length, bool groupSeparator, bool noCheck);

// The ECI designator's codewords: 241 then 1-3 codewords for value 0..999999 (the standard's ranges:
// 0-126 -> value+1; 127-16382 -> two codewords; 16383-999999 -> three codewords). BadOption outside.
Expected<std::vector<uint8_t>> eciCodewords(int value);

// The GS1 mod-10 check digit of `count` digits (weights 3, 1, 3, ... from the right).
int gs1CheckDigit(const uint8_t* digits, size_t count);

}  // namespace dexmora
