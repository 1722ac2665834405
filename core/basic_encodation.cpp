#include <algorithm>

#include "core/encodation.h"
#include "core/modes.h"

namespace dexmora {

namespace {

// One Base 256 field carries at most this many bytes; a longer run of high
// bytes continues in a new field. A field this long already overflows the
// largest symbol, so the split never changes a stream that fits, and it keeps
// every length value encodable (the two-value form ends at 1749 bytes).
constexpr size_t MAX_FIELD_BYTES = MAX_DATA_CODEWORDS - 3;

bool isDigit(uint8_t b) { return b >= '0' && b <= '9'; }
bool isHigh(uint8_t b) { return b >= 0x80; }

size_t base256FieldLength(size_t runBytes) { return 1 + (runBytes <= 249 ? 1 : 2) + runBytes; }

// Walks the text one encodation step at a time while more() holds: a digit
// pair, a lone digit or a plain byte goes to ascii(value), a run of high
// bytes to run(first, last), which returns the byte after the run. Pairing
// digits greedily from the left is the same as pairing each maximal run.
template <typename More, typename Ascii, typename Run>
void scanText(const uint8_t* text, size_t length, More more, Ascii ascii, Run run) {
  const uint8_t* p = text;
  const uint8_t* const end = text + length;
  while (p < end && more()) {
    if (isDigit(*p) && p + 1 < end && isDigit(p[1])) {
      ascii(130 + 10 * (p[0] - '0') + (p[1] - '0'));
      p += 2;
    } else if (isHigh(*p)) {
      const uint8_t* last = p;
      while (last + 1 < end && isHigh(last[1]) && static_cast<size_t>(last - p) + 1 < MAX_FIELD_BYTES) ++last;
      p = run(p, last);
    } else {
      ascii(*p + 1);
      ++p;
    }
  }
}

}  // namespace

void appendBasic(std::vector<uint8_t>& stream, const uint8_t* text, size_t length, size_t bound) {
  scanText(
      text, length, [&] { return stream.size() <= bound; },
      [&](int value) { stream.push_back(static_cast<uint8_t>(value)); },
      [&](const uint8_t* first, const uint8_t* last) {
        const size_t runBytes = static_cast<size_t>(last - first) + 1;
        auto append = [&](size_t value) { stream.push_back(randomise255(static_cast<int>(value), stream.size() + 1)); };
        stream.push_back(LATCH_BASE256);
        if (runBytes <= 249) {
          append(runBytes);
        } else {
          append(249 + runBytes / 250);
          append(runBytes % 250);
        }
        for (const uint8_t* p = first; p <= last; ++p) append(*p);
        return last + 1;
      });
}

size_t basicLength(const uint8_t* text, size_t length) {
  size_t count = 0;
  scanText(
      text, length, [] { return true; }, [&](int) { ++count; },
      [&](const uint8_t* first, const uint8_t* last) {
        count += base256FieldLength(static_cast<size_t>(last - first) + 1);
        return last + 1;
      });
  return count;
}

void addPadding(uint8_t* codewords, int used, int capacity) {
  for (int i = used; i < capacity; ++i) {
    codewords[i] = i == used ? PAD : randomise253(static_cast<size_t>(i) + 1);
  }
}

}  // namespace dexmora
