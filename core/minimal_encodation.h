#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/encodation.h"

namespace dexmora {

// One step of a planned encodation over the input units (0-255 bytes, FNC1_UNIT).
struct PlanStep {
  enum Kind : uint8_t {
    AsciiUnit,      // one unit in ASCII (Upper Shift for 128-255, 232 for FNC1)
    AsciiPair,      // two digits in one ASCII codeword
    Latch,          // from ASCII into `state`'s mode
    ModeUnit,       // one unit in the current C40, Text, X12 or EDIFACT mode
    Unlatch,        // back to ASCII
    Base256Field,   // units [from, to) as a Base 256 field with its length
    End,            // the text ends in `state`: the mode's end-of-data rule
    AsciiTail,      // the rest in ASCII, the unlatch left out when the symbol ends there
    FinalBase256,   // units [from, end) as the last field, length 0 when it fills the symbol
  };
  Kind kind;
  uint8_t state;  // the planner state after the step
  int32_t from;   // first unit of the step
  int32_t to;     // unit after the step
};

// The shortest path found and its length: the fewest codewords that a
// symbol must hold to take it (a larger symbol may need an unlatch more,
// which always still fits).
struct Plan {
  size_t length = 0;
  std::vector<PlanStep> steps;
};

// Plans `units` after `headerLength` ASCII header codewords, either over all
// modes (Minimal) or in one forced mode (not Basic). The caller has checked
// that a forced mode can carry every unit.
Plan planEncodation(const std::vector<uint16_t>& units, size_t headerLength, Encodation encodation);

// Appends the codewords of `plan` for a symbol of `capacity` data codewords to
// `stream`, which already holds the header codewords.
void emitPlan(const Plan& plan, const std::vector<uint16_t>& units, int capacity, std::vector<uint8_t>& stream);

}  // namespace dexmora
