#pragma once

#include <cstddef>
#include <cstdint>

#include "core/gs1.h"

namespace dexmora {

// ASCII-mode codewords; every other mode is entered and left through ASCII.
constexpr uint8_t PAD = 129;
constexpr uint8_t LATCH_C40 = 230;
constexpr uint8_t LATCH_BASE256 = 231;
constexpr uint8_t FNC1 = 232;
constexpr uint8_t STRUCTURED_APPEND = 233;
constexpr uint8_t READER_PROGRAMMING = 234;
constexpr uint8_t UPPER_SHIFT = 235;
constexpr uint8_t MACRO_05 = 236;
constexpr uint8_t MACRO_06 = 237;
constexpr uint8_t LATCH_X12 = 238;
constexpr uint8_t LATCH_TEXT = 239;
constexpr uint8_t LATCH_EDIFACT = 240;
constexpr uint8_t UNLATCH = 254;  // C40, Text and X12 back to ASCII

constexpr uint8_t EDIFACT_UNLATCH = 31;  // a 6-bit value, not a codeword

// C40 and Text: the shift values and the two values Shift 2 gives FNC1 and Upper Shift.
constexpr uint8_t SHIFT_1 = 0;
constexpr uint8_t SHIFT_2 = 1;
constexpr uint8_t SHIFT_3 = 2;
constexpr uint8_t SHIFT_2_FNC1 = 27;
constexpr uint8_t SHIFT_2_UPPER = 30;

// 255-state randomising of a Base 256 value at stream position `position`
// (counted from 1).
constexpr uint8_t randomise255(int value, size_t position) {
  const int sum = value + static_cast<int>((149 * position) % 255) + 1;
  return static_cast<uint8_t>(sum <= 255 ? sum : sum - 256);
}

// 253-state randomising of a pad codeword at stream position `position`.
constexpr uint8_t randomise253(size_t position) {
  const size_t sum = PAD + (149 * position) % 253 + 1;
  return static_cast<uint8_t>(sum <= 254 ? sum : sum - 254);
}

constexpr bool isDigitUnit(uint16_t unit) { return unit >= '0' && unit <= '9'; }

// The C40 (or, when `text`, the Text) values of a byte below 128 into `out`;
// returns how many (1 or 2).
constexpr int c40LowValues(uint8_t byte, bool text, uint8_t* out) {
  const auto one = [&](int value) {
    out[0] = static_cast<uint8_t>(value);
    return 1;
  };
  const auto two = [&](uint8_t shift, int value) {
    out[0] = shift;
    out[1] = static_cast<uint8_t>(value);
    return 2;
  };
  const uint8_t upperBase = text ? 'a' : 'A';  // the letters in the basic set
  const uint8_t lowerBase = text ? 'A' : 'a';  // the letters behind Shift 3
  if (byte == ' ') return one(3);
  if (isDigitUnit(byte)) return one(byte - '0' + 4);
  if (byte >= upperBase && byte < upperBase + 26) return one(byte - upperBase + 14);
  if (byte < 32) return two(SHIFT_1, byte);
  if (byte <= '/') return two(SHIFT_2, byte - '!');
  if (byte >= ':' && byte <= '@') return two(SHIFT_2, byte - ':' + 15);
  if (byte >= '[' && byte <= '_') return two(SHIFT_2, byte - '[' + 22);
  if (byte >= lowerBase && byte < lowerBase + 26) return two(SHIFT_3, byte - lowerBase + 1);
  return two(SHIFT_3, byte - '`');  // ` { | } ~ DEL
}

// The C40 or Text values of one unit into `out` (room for 4); returns how
// many. Bytes 128-255 are Upper Shift and the values of byte-128.
constexpr int c40Values(uint16_t unit, bool text, uint8_t* out) {
  if (unit == FNC1_UNIT || unit >= 128) {
    out[0] = SHIFT_2;
    out[1] = unit == FNC1_UNIT ? SHIFT_2_FNC1 : SHIFT_2_UPPER;
    return unit == FNC1_UNIT ? 2 : 2 + c40LowValues(static_cast<uint8_t>(unit & 127), text, out + 2);
  }
  return c40LowValues(static_cast<uint8_t>(unit), text, out);
}

// X12 value of a unit, or -1 outside its set (CR * > space 0-9 A-Z).
constexpr int x12Value(uint16_t unit) {
  if (unit == '\r') return 0;
  if (unit == '*') return 1;
  if (unit == '>') return 2;
  if (unit == ' ') return 3;
  if (isDigitUnit(unit)) return unit - '0' + 4;
  if (unit >= 'A' && unit <= 'Z') return unit - 'A' + 14;
  return -1;
}

// EDIFACT value of a unit, or -1 outside 32-94: the low six bits.
constexpr int edifactValue(uint16_t unit) { return unit >= 32 && unit <= 94 ? unit & 63 : -1; }

}  // namespace dexmora
