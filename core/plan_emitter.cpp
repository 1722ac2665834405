#include <cstdint>
#include <vector>

#include "core/minimal_encodation.h"
#include "core/modes.h"
#include "core/plan_states.h"

namespace dexmora {

namespace {

// Writes the codewords of a plan, keeping the values of the unfinished
// triplet or quadruple of the current mode.
class Emitter {
 public:
  Emitter(const std::vector<uint16_t>& units, int capacity, std::vector<uint8_t>& out)
      : m_units(units), m_capacity(capacity), m_out(out) {}

  void step(const PlanStep& step) {
    switch (step.kind) {
      case PlanStep::AsciiUnit: asciiUnit(m_units[static_cast<size_t>(step.from)]); break;
      case PlanStep::AsciiPair: asciiPair(static_cast<size_t>(step.from)); break;
      case PlanStep::Latch: latch(modeOf(step.state)); break;
      case PlanStep::ModeUnit: modeUnit(m_units[static_cast<size_t>(step.from)]); break;
      case PlanStep::Unlatch: unlatch(); break;
      case PlanStep::Base256Field: base256(step.from, step.to, false); break;
      case PlanStep::End: end(); break;
      case PlanStep::AsciiTail: asciiTail(static_cast<size_t>(step.from)); break;
      case PlanStep::FinalBase256: base256(step.from, step.to, true); break;
    }
  }

 private:
  long room() const { return static_cast<long>(m_capacity) - static_cast<long>(m_out.size()); }

  void asciiUnit(uint16_t unit) {
    if (unit == FNC1_UNIT) {
      m_out.push_back(FNC1);
    } else if (unit >= 128) {
      m_out.push_back(UPPER_SHIFT);
      m_out.push_back(static_cast<uint8_t>(unit - 128 + 1));
    } else {
      m_out.push_back(static_cast<uint8_t>(unit + 1));
    }
  }

  void asciiPair(size_t at) {
    m_out.push_back(static_cast<uint8_t>(130 + 10 * (m_units[at] - '0') + (m_units[at + 1] - '0')));
  }

  void latch(int mode) {
    constexpr uint8_t latches[] = {0, LATCH_C40, 0, 0, LATCH_TEXT, 0, 0, LATCH_X12, 0, 0, LATCH_EDIFACT};
    m_out.push_back(latches[mode]);
    m_mode = mode;
  }

  void modeUnit(uint16_t unit) {
    if (m_mode == EDIFACT_STATE) {
      m_values.push_back(static_cast<uint8_t>(edifactValue(unit)));
      if (m_values.size() == 4) flushEdifact();
      return;
    }
    if (m_mode == X12_STATE) {
      m_values.push_back(static_cast<uint8_t>(x12Value(unit)));
    } else {
      uint8_t values[4];
      const int count = c40Values(unit, m_mode == TEXT_STATE, values);
      m_values.insert(m_values.end(), values, values + count);
    }
    flushTriplets();
  }

  // Three values v1 v2 v3 make 1600 v1 + 40 v2 + v3 + 1, high codeword first.
  void flushTriplets() {
    size_t used = 0;
    for (; used + 3 <= m_values.size(); used += 3) {
      const int packed = 1600 * m_values[used] + 40 * m_values[used + 1] + m_values[used + 2] + 1;
      m_out.push_back(static_cast<uint8_t>(packed >> 8));
      m_out.push_back(static_cast<uint8_t>(packed & 0xFF));
    }
    m_values.erase(m_values.begin(), m_values.begin() + static_cast<long>(used));
  }

  // Six-bit values, first value in the high bits, zero bits to the codeword boundary.
  void flushEdifact() {
    uint32_t bits = 0;
    int bitCount = 0;
    for (uint8_t value : m_values) {
      bits = (bits << 6) | value;
      bitCount += 6;
    }
    const int bytes = (bitCount + 7) / 8;
    bits <<= bytes * 8 - bitCount;
    for (int i = bytes - 1; i >= 0; --i) m_out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    m_values.clear();
  }

  void unlatch() {
    if (m_mode == EDIFACT_STATE) {
      m_values.push_back(EDIFACT_UNLATCH);
      flushEdifact();
    } else {
      padTriplet();
      m_out.push_back(UNLATCH);
    }
    m_mode = ASCII_STATE;
  }

  // C40 and Text complete a triplet of two values with Shift 1.
  void padTriplet() {
    if (m_values.size() != 2) return;
    m_values.push_back(SHIFT_1);
    flushTriplets();
  }

  // A decoder reads a last single codeword after C40, Text or X12, and the
  // last two after EDIFACT, as ASCII: no unlatch is needed there.
  bool unlatchImplied() const { return m_mode == EDIFACT_STATE ? room() <= 2 : room() <= 1; }

  void end() {
    if (m_mode == ASCII_STATE) return;
    padTriplet();
    if (!unlatchImplied()) unlatch();
  }

  void asciiTail(size_t from) {
    if (!unlatchImplied()) unlatch();
    m_mode = ASCII_STATE;
    for (size_t i = from; i < m_units.size(); ++i) {
      if (isDigitUnit(m_units[i]) && i + 1 < m_units.size() && isDigitUnit(m_units[i + 1])) {
        asciiPair(i++);
      } else {
        asciiUnit(m_units[i]);
      }
    }
  }

  // Every codeword after the latch is randomised by its stream position.
  void base256(int32_t from, int32_t to, bool last) {
    const int length = to - from;
    m_out.push_back(LATCH_BASE256);
    const auto append = [&](int value) { m_out.push_back(randomise255(value, m_out.size() + 1)); };
    if (last && length > 249 && room() == 1 + length) {
      append(0);  // to the end of the symbol
    } else if (length <= 249) {
      append(length);
    } else {
      append(249 + length / 250);
      append(length % 250);
    }
    for (int32_t i = from; i < to; ++i) append(m_units[static_cast<size_t>(i)]);
  }

  const std::vector<uint16_t>& m_units;
  int m_capacity;
  std::vector<uint8_t>& m_out;
  int m_mode = ASCII_STATE;
  std::vector<uint8_t> m_values;
};

}  // namespace

void emitPlan(const Plan& plan, const std::vector<uint16_t>& units, int capacity, std::vector<uint8_t>& stream) {
  Emitter emitter(units, capacity, stream);
  for (const PlanStep& step : plan.steps) emitter.step(step);
}

}  // namespace dexmora
