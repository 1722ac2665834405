#pragma once

#include <cstdint>

namespace dexmora {

// Planner states: ASCII, then each mode with the values (EDIFACT: units)
// already given to its unfinished triplet or quadruple, then the start of a
// forced mode, which ASCII codewords may not precede.
constexpr int ASCII_STATE = 0;
constexpr int C40_STATE = 1;       // 1..3
constexpr int TEXT_STATE = 4;      // 4..6
constexpr int X12_STATE = 7;       // 7..9
constexpr int EDIFACT_STATE = 10;  // 10..13
constexpr int PRE_STATE = 14;
constexpr int STATE_COUNT = 15;

// The state's mode: its first state.
constexpr int modeOf(int state) {
  return state >= EDIFACT_STATE ? EDIFACT_STATE : state >= X12_STATE ? X12_STATE : state >= TEXT_STATE ? TEXT_STATE
         : state >= C40_STATE   ? C40_STATE : ASCII_STATE;
}
constexpr int pendingOf(int state) { return state - modeOf(state); }

// Codewords of an EDIFACT unlatch with `pending` values before it: those
// values and the unlatch value, six bits each, filled to a codeword boundary.
constexpr int edifactUnlatchLength(int pending) { return (6 * (pending + 1) + 7) / 8; }

}  // namespace dexmora
