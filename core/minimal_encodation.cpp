#include "core/minimal_encodation.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/modes.h"
#include "core/plan_states.h"

namespace dexmora {
namespace {

constexpr uint32_t UNREACHED = std::numeric_limits<uint32_t>::max();
constexpr size_t NO_START = std::numeric_limits<size_t>::max();
constexpr uint8_t START_LINK = 0xFF;  // no step leads here: the path begins

// A Base 256 field of up to 249 bytes has a one-codeword length, longer ones two.
constexpr size_t SHORT_FIELD_MAX = 249;

struct Link {
  int32_t from = 0;
  uint8_t state = 0;
  uint8_t kind = START_LINK;
};

// What a planning run may do besides ASCII.
struct Rules {
  bool latchAnywhere = false;  // Minimal: switch modes at any unit
  bool base256 = false;        // Minimal: Base 256 fields
  int forcedState = -1;        // a forced mode's first state, entered with the first codeword
  size_t tailMax = 0;          // how many final units a forced mode may leave to ASCII
};

// Units of three values (Upper Shift) can keep a C40 run off every triplet
// boundary up to its end: the ASCII tail must then reach back to the last
// unit boundary where a triplet ends or two values can take a Shift 1 pad.
size_t c40TailNeeded(const std::vector<uint16_t>& units, bool text) {
  uint8_t values[4];
  size_t lastExit = 0;
  int pending = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    if (pending != 1) lastExit = i;
    pending = (pending + c40Values(units[i], text, values)) % 3;
  }
  return pending == 1 ? units.size() - lastExit : 0;
}

Rules rulesFor(Encodation encodation, const std::vector<uint16_t>& units) {
  const size_t unitCount = units.size();
  Rules rules;
  switch (encodation) {
    case Encodation::C40: rules.forcedState = C40_STATE; break;
    case Encodation::Text: rules.forcedState = TEXT_STATE; break;
    case Encodation::X12: rules.forcedState = X12_STATE; break;
    case Encodation::Edifact: rules.forcedState = EDIFACT_STATE; break;
    case Encodation::Ascii: break;
    default:
      rules.latchAnywhere = true;
      rules.base256 = true;
      rules.tailMax = unitCount;
      return rules;
  }
  // Only the units that cannot complete a triplet (a quadruple in EDIFACT) end in ASCII.
  rules.tailMax = encodation == Encodation::Edifact ? 3 : 2;
  if (encodation == Encodation::C40 || encodation == Encodation::Text) {
    rules.tailMax = std::max(rules.tailMax, c40TailNeeded(units, encodation == Encodation::Text));
  }
  return rules;
}

// Codewords of units [from, end) in ASCII, digit pairs taken greedily from the left.
size_t asciiLength(const std::vector<uint16_t>& units, size_t from) {
  size_t length = 0;
  for (size_t i = from; i < units.size(); ++i) {
    if (isDigitUnit(units[i]) && i + 1 < units.size() && isDigitUnit(units[i + 1])) {
      ++i;
    } else if (units[i] >= 128 && units[i] != FNC1_UNIT) {
      ++length;  // Upper Shift
    }
    ++length;
  }
  return length;
}

class Planner {
 public:
  Planner(const std::vector<uint16_t>& units, const Rules& rules)
      : m_units(units), m_n(units.size()), m_rules(rules),
        m_cost((m_n + 1) * STATE_COUNT, UNREACHED), m_links((m_n + 1) * STATE_COUNT) {}

  Plan run(size_t headerLength) {
    if (m_rules.forcedState >= 0) {
      relax(0, m_rules.forcedState, headerLength + 1, Link{0, PRE_STATE, PlanStep::Latch});
    } else {
      cost(0, ASCII_STATE) = headerLength;
    }
    for (size_t i = 0; i <= m_n; ++i) {
      if (m_rules.base256 && i > 0) pullBase256Fields(i);
      unlatchAt(i);
      if (m_rules.latchAnywhere) latchAt(i);
      if (i == m_n) {
        considerEnds();
      } else {
        if (m_n - i <= 4) considerTails(i);
        pushAscii(i);
        pushModes(i);
      }
    }
    if (m_rules.base256) considerFinalField();
    return backtrack();
  }

 private:
  uint32_t& cost(size_t pos, int state) { return m_cost[pos * STATE_COUNT + static_cast<size_t>(state)]; }
  Link& link(size_t pos, int state) { return m_links[pos * STATE_COUNT + static_cast<size_t>(state)]; }

  void relax(size_t pos, int state, uint32_t value, Link via) {
    if (value < cost(pos, state)) {
      cost(pos, state) = value;
      link(pos, state) = via;
    }
  }

  void finish(uint32_t value, PlanStep::Kind kind, int state, size_t from, size_t pos) {
    if (value < m_best) {
      m_best = value;
      m_terminal = PlanStep{kind, static_cast<uint8_t>(state), static_cast<int32_t>(from), static_cast<int32_t>(m_n)};
      m_terminalPos = pos;
    }
  }

  bool unlatchAllowed(size_t i) const { return m_n - i <= m_rules.tailMax; }

  void unlatchAt(size_t i) {
    if (!unlatchAllowed(i)) return;
    const Link via{static_cast<int32_t>(i), 0, PlanStep::Unlatch};
    for (int state : {C40_STATE, TEXT_STATE, X12_STATE}) {
      if (cost(i, state) != UNREACHED) {
        relax(i, ASCII_STATE, cost(i, state) + 1, Link{via.from, static_cast<uint8_t>(state), via.kind});
      }
    }
    // A forced C40 or Text run whose values never meet a triplet boundary
    // near the end pads its last triplet with Shift 1 before the unlatch.
    for (int state : {C40_STATE + 2, TEXT_STATE + 2}) {
      if (m_rules.forcedState >= 0 && cost(i, state) != UNREACHED) {
        relax(i, ASCII_STATE, cost(i, state) + 3, Link{via.from, static_cast<uint8_t>(state), via.kind});
      }
    }
    for (int pending = 0; pending < 4; ++pending) {
      const int state = EDIFACT_STATE + pending;
      if (cost(i, state) != UNREACHED) {
        relax(i, ASCII_STATE, cost(i, state) + edifactUnlatchLength(pending),
              Link{via.from, static_cast<uint8_t>(state), via.kind});
      }
    }
  }

  void latchAt(size_t i) {
    const uint32_t ascii = cost(i, ASCII_STATE);
    if (ascii == UNREACHED) return;
    for (int state : {C40_STATE, TEXT_STATE, X12_STATE, EDIFACT_STATE}) {
      relax(i, state, ascii + 1, Link{static_cast<int32_t>(i), ASCII_STATE, PlanStep::Latch});
    }
  }

  void pushAscii(size_t i) {
    const uint32_t ascii = cost(i, ASCII_STATE);
    if (ascii == UNREACHED) return;
    const Link via{static_cast<int32_t>(i), ASCII_STATE, PlanStep::AsciiUnit};
    const uint16_t unit = m_units[i];
    if (isDigitUnit(unit) && i + 1 < m_n && isDigitUnit(m_units[i + 1])) {
      relax(i + 2, ASCII_STATE, ascii + 1, Link{via.from, via.state, PlanStep::AsciiPair});
    }
    relax(i + 1, ASCII_STATE, ascii + (unit >= 128 && unit != FNC1_UNIT ? 2 : 1), via);
  }

  void pushModes(size_t i) {
    const uint16_t unit = m_units[i];
    uint8_t values[4];
    for (int base : {C40_STATE, TEXT_STATE}) {
      const int count = c40Values(unit, base == TEXT_STATE, values);
      for (int pending = 0; pending < 3; ++pending) {
        const int total = pending + count;
        advance(i, base + pending, base + total % 3, static_cast<uint32_t>(2 * (total / 3)));
      }
    }
    if (x12Value(unit) >= 0) {
      for (int pending = 0; pending < 3; ++pending) {
        advance(i, X12_STATE + pending, X12_STATE + (pending + 1) % 3, pending == 2 ? 2 : 0);
      }
    }
    if (edifactValue(unit) >= 0) {
      for (int pending = 0; pending < 4; ++pending) {
        advance(i, EDIFACT_STATE + pending, EDIFACT_STATE + (pending + 1) % 4, pending == 3 ? 3 : 0);
      }
    }
  }

  void advance(size_t i, int from, int to, uint32_t codewords) {
    if (cost(i, from) == UNREACHED) return;
    relax(i + 1, to, cost(i, from) + codewords, Link{static_cast<int32_t>(i), static_cast<uint8_t>(from), PlanStep::ModeUnit});
  }

  // A field [start, i) costs its latch, its length and its bytes: with key
  // cost(start) - start, the best start is a sliding-window minimum for the
  // one-codeword length and a running minimum for the two-codeword one. No
  // field spans an FNC1.
  void pullBase256Fields(size_t i) {
    const size_t start = i - 1;
    if (m_units[start] == FNC1_UNIT) {
      m_window.clear();
      m_windowHead = 0;
      m_longStart = NO_START;
      m_fieldFloor = i;
    } else if (cost(start, ASCII_STATE) != UNREACHED) {
      while (m_window.size() > m_windowHead && key(m_window.back()) >= key(start)) m_window.pop_back();
      m_window.push_back(start);
    }
    while (m_window.size() > m_windowHead && i - m_window[m_windowHead] > SHORT_FIELD_MAX) ++m_windowHead;
    if (i >= SHORT_FIELD_MAX + 1 && i - SHORT_FIELD_MAX - 1 >= m_fieldFloor) {
      const size_t longStart = i - SHORT_FIELD_MAX - 1;
      if (cost(longStart, ASCII_STATE) != UNREACHED &&
          (m_longStart == NO_START || key(longStart) < key(m_longStart))) {
        m_longStart = longStart;
      }
    }
    if (m_window.size() > m_windowHead) relaxField(m_window[m_windowHead], i, 2);
    if (m_longStart != NO_START) relaxField(m_longStart, i, 3);
  }

  int64_t key(size_t start) { return static_cast<int64_t>(cost(start, ASCII_STATE)) - static_cast<int64_t>(start); }

  void relaxField(size_t start, size_t end, uint32_t overhead) {
    relax(end, ASCII_STATE, cost(start, ASCII_STATE) + overhead + (end - start),
          Link{static_cast<int32_t>(start), ASCII_STATE, PlanStep::Base256Field});
  }

  // The end of the text: C40 and Text pad a last pair of values with Shift 1;
  // X12 and EDIFACT end only on a whole triplet or quadruple.
  void considerEnds() {
    for (int state : {ASCII_STATE, C40_STATE, TEXT_STATE, X12_STATE, EDIFACT_STATE}) {
      if (cost(m_n, state) != UNREACHED) finish(cost(m_n, state), PlanStep::End, state, m_n, m_n);
    }
    for (int state : {C40_STATE + 2, TEXT_STATE + 2}) {
      if (cost(m_n, state) != UNREACHED) finish(cost(m_n, state) + 2, PlanStep::End, state, m_n, m_n);
    }
  }

  // The rest in ASCII without an unlatch: one codeword after C40, Text or X12
  // when it is the symbol's last, up to two after EDIFACT. In a larger symbol
  // the unlatch is written, and there is room for it.
  void considerTails(size_t i) {
    if (!unlatchAllowed(i)) return;
    const size_t tail = asciiLength(m_units, i);
    for (int state : {C40_STATE, TEXT_STATE, X12_STATE, EDIFACT_STATE}) {
      const size_t most = state == EDIFACT_STATE ? 2 : 1;
      if (cost(i, state) != UNREACHED && tail <= most) {
        finish(cost(i, state) + tail, PlanStep::AsciiTail, state, i, i);
      }
    }
  }

  // A last field needs no length when it fills the symbol (length value 0).
  void considerFinalField() {
    for (size_t start = m_n; start-- > 0 && m_units[start] != FNC1_UNIT;) {
      if (cost(start, ASCII_STATE) != UNREACHED) {
        finish(cost(start, ASCII_STATE) + 2 + (m_n - start), PlanStep::FinalBase256, ASCII_STATE, start, start);
      }
    }
  }

  Plan backtrack() {
    Plan plan;
    plan.length = static_cast<size_t>(m_best);
    plan.steps.push_back(m_terminal);
    size_t pos = m_terminalPos;
    int state = m_terminal.kind == PlanStep::FinalBase256 ? ASCII_STATE : m_terminal.state;
    while (link(pos, state).kind != START_LINK) {
      const Link via = link(pos, state);
      plan.steps.push_back(PlanStep{static_cast<PlanStep::Kind>(via.kind), static_cast<uint8_t>(state), via.from,
                                    static_cast<int32_t>(pos)});
      pos = static_cast<size_t>(via.from);
      state = via.state;
    }
    std::reverse(plan.steps.begin(), plan.steps.end());
    return plan;
  }

  const std::vector<uint16_t>& m_units;
  size_t m_n;
  Rules m_rules;
  std::vector<uint32_t> m_cost;
  std::vector<Link> m_links;
  std::vector<size_t> m_window;
  size_t m_windowHead = 0;
  size_t m_longStart = NO_START;
  size_t m_fieldFloor = 0;
  uint32_t m_best = UNREACHED;
  PlanStep m_terminal{PlanStep::End, ASCII_STATE, 0, 0};
  size_t m_terminalPos = 0;
};

}  // namespace

Plan planEncodation(const std::vector<uint16_t>& units, size_t headerLength, Encodation encodation) {
  if (units.empty()) return Plan{headerLength, {}};
  if (encodation == Encodation::Base256) {
    // The whole text as one last field.
    return Plan{headerLength + 2 + units.size(),
                {PlanStep{PlanStep::FinalBase256, ASCII_STATE, 0, static_cast<int32_t>(units.size())}}};
  }
  return Planner(units, rulesFor(encodation, units)).run(headerLength);
}

}  // namespace dexmora
