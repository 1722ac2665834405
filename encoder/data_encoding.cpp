#include "encoder/data_encoding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "encoder/encode_job.h"
#include "encoder/symbol_tables.h"

namespace {

constexpr uint8_t LATCH_BASE256 = 231;
constexpr uint8_t FIRST_PAD = 129;

// One Base 256 field carries at most this many bytes; a longer run of high
// bytes continues in a new field. A field this long already overflows the
// largest symbol, so the split never changes a stream that fits, and it keeps
// every length value encodable (the two-value form ends at 1749 bytes).
constexpr int64_t MAX_FIELD_BYTES = DM_MAX_DATA_CODEWORDS - 3;

bool isDigit(uint8_t b) { return b >= '0' && b <= '9'; }
bool isHigh(uint8_t b) { return b >= 0x80; }

// 255-state randomising of a value appended at stream position `position`
// (counted from 1).
uint8_t randomise255(int64_t value, int64_t position) {
  const int64_t sum = value + (149 * position) % 255 + 1;
  return static_cast<uint8_t>(sum <= 255 ? sum : sum - 256);
}

// 253-state randomising of a pad codeword at stream position `position`.
uint8_t randomise253(int64_t position) {
  const int64_t sum = FIRST_PAD + (149 * position) % 253 + 1;
  return static_cast<uint8_t>(sum <= 254 ? sum : sum - 254);
}

int64_t base256FieldLength(int64_t runBytes) { return 1 + (runBytes <= 249 ? 1 : 2) + runBytes; }

// Walks the text one encodation step at a time while more() holds: a digit
// pair, a lone digit or a plain byte goes to ascii(value), a run of high bytes
// to run(first, last), which returns the byte after the run. Pairing digits
// greedily from the left is the same as pairing each maximal digit run.
template <typename More, typename Ascii, typename Run>
void scanText(const uint8_t* text, int64_t length, More more, Ascii ascii, Run run) {
  const uint8_t* p = text;
  const uint8_t* const end = text + (length > 0 ? length : 0);
  while (p < end && more()) {
    if (isDigit(*p) && p + 1 < end && isDigit(p[1])) {
      ascii(130 + 10 * (p[0] - '0') + (p[1] - '0'));
      p += 2;
    } else if (isHigh(*p)) {
      const uint8_t* last = p;
      while (last + 1 < end && isHigh(last[1]) && last - p + 1 < MAX_FIELD_BYTES) ++last;
      p = run(p, last);
    } else {
      ascii(*p + 1);
      ++p;
    }
  }
}

}  // namespace

int dmSelectSizeIndex(int64_t streamLength) {
  if (requestedSize != 0) {
    for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
      const DmSymbolAttributeRow& row = SymbolAttributes[i];
      if (row.symbolSize == requestedSize && row.dataCodewords >= streamLength) return i;
    }
  }
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    if (SymbolAttributes[i].dataCodewords >= streamLength) return i;
  }
  return DM_SYMBOL_SIZE_COUNT - 1;
}

const uint8_t* dmEncodeBase256Run(const uint8_t* first, const uint8_t* last, const uint8_t* streamStart,
                                  uint8_t*& cursor) {
  auto append = [&](int64_t value) {
    *cursor = randomise255(value, cursor - streamStart + 1);
    ++cursor;
  };
  const int64_t runBytes = last - first + 1;
  *cursor++ = LATCH_BASE256;
  if (runBytes <= 249) {
    append(runBytes);
  } else {
    append(249 + runBytes / 250);
    append(runBytes % 250);
  }
  for (const uint8_t* p = first; p <= last; ++p) append(*p);
  return last + 1;
}

void dmEncodeData(DmSymbol* symbol, const uint8_t* text, int32_t length) {
  uint8_t scratch[DM_SCRATCH_CODEWORDS] = {};
  uint8_t* cursor = scratch;
  // Once the stream outgrows the largest capacity nothing more of it can be
  // used, so the scan stops there; the longest single step (a full Base 256
  // field) still ends well inside the scratch area.
  static_assert(2 * DM_MAX_DATA_CODEWORDS + 1 <= DM_SCRATCH_CODEWORDS, "scratch area too small");
  scanText(
      text, length, [&] { return cursor - scratch <= DM_MAX_DATA_CODEWORDS; },
      [&](int value) { *cursor++ = static_cast<uint8_t>(value); },
      [&](const uint8_t* first, const uint8_t* last) { return dmEncodeBase256Run(first, last, scratch, cursor); });

  // Too long for any size: the largest symbol takes what fits, without pads.
  const int row = dmSelectSizeIndex(cursor - scratch);
  const int64_t n = std::min<int64_t>(cursor - scratch, SymbolAttributes[row].dataCodewords);
  const DmSymbolAttributeRow& attr = SymbolAttributes[row];
  const int side = static_cast<int>(std::sqrt(static_cast<double>(attr.regionCount))) * attr.regionSize;
  symbol->sizeIndex = row;
  symbol->padCount = attr.dataCodewords - static_cast<int32_t>(n);
  symbol->totalCodewords = static_cast<uint32_t>(attr.dataCodewords + attr.errorCodewords);
  symbol->regionCount = attr.regionCount;
  symbol->gridRows = side;
  symbol->gridCols = side;

  symbol->codewords = static_cast<uint8_t*>(std::malloc(symbol->totalCodewords));
  if (symbol->codewords == nullptr) {
    std::perror("dmEncodeData");
    std::exit(7);
  }
  std::memset(symbol->codewords, 0, symbol->totalCodewords);
  std::memcpy(symbol->codewords, scratch, static_cast<size_t>(n));
}

void dmAddPadding(DmSymbol* symbol) {
  const int32_t capacity = SymbolAttributes[symbol->sizeIndex].dataCodewords;
  const int32_t first = capacity - symbol->padCount;
  for (int32_t i = first; i < capacity; ++i) {
    symbol->codewords[i] = i == first ? FIRST_PAD : randomise253(i + 1);
  }
}

int64_t dmDataStreamLength(const uint8_t* text, int64_t length) {
  int64_t count = 0;
  scanText(
      text, length, [] { return true; }, [&](int) { ++count; },
      [&](const uint8_t* first, const uint8_t* last) {
        count += base256FieldLength(last - first + 1);
        return last + 1;
      });
  return count;
}
