#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <dexmora/error.h>

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
struct Gs1Syntax {
  bool groupSeparator = false;  // byte 29 instead of FNC1 between fields
  bool noCheck = false;         // unknown AIs pass as set 82 data
  bool parens = false;          // "(01)…" instead of "[01]…"; \( and \) are parentheses in the data
};
Expected<std::vector<uint16_t>> parseGs1(const uint8_t* text, size_t length, const Gs1Syntax& syntax);

// The GS1 mod-10 check digit of `count` digits (weights 3, 1, 3, ... from the right).
int gs1CheckDigit(const uint8_t* digits, size_t count);

}  // namespace dexmora
