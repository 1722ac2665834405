#include "classic/data_encoding.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "classic/encode_job.h"
#include "classic/symbol_tables.h"
#include "core/encodation.h"

namespace {

// The row for a stream of `streamLength` codewords: the requestedSize row
// when it exists and holds the stream, else the smallest row that does; the
// largest row when none does (the stream is then cut).
int selectSizeIndex(size_t streamLength) {
  int candidates[dexmora::SIZE_COUNT];
  const int count = dexmora::candidateSizes({requestedSize, requestedSize, dexmora::Shape::Square, false}, candidates);
  for (int i = 0; i < count; ++i) {
    if (static_cast<size_t>(dexmora::SYMBOL_SIZES[candidates[i]].dataCodewords) >= streamLength) {
      return candidates[i];
    }
  }
  return DM_SYMBOL_SIZE_COUNT - 1;
}

[[noreturn]] void noMemory() {
  std::perror("dmEncodeData");
  std::exit(7);
}

}  // namespace

void dmEncodeData(DmSymbol* symbol, const uint8_t* text, int32_t length) {
  std::vector<uint8_t> stream;
  try {
    stream.reserve(2 * DM_MAX_DATA_CODEWORDS + 1);
    dexmora::appendBasic(stream, text, length > 0 ? static_cast<size_t>(length) : 0, DM_MAX_DATA_CODEWORDS);
  } catch (const std::bad_alloc&) {
    noMemory();
  }
  // Too long for any size: the largest symbol takes what fits, without pads.
  const int row = selectSizeIndex(stream.size());
  const dexmora::SymbolSize& size = dexmora::SYMBOL_SIZES[row];
  const size_t n = std::min<size_t>(stream.size(), static_cast<size_t>(size.dataCodewords));
  symbol->sizeIndex = row;
  symbol->padCount = size.dataCodewords - static_cast<int32_t>(n);
  symbol->totalCodewords = static_cast<uint32_t>(size.totalCodewords());
  symbol->regionCount = size.regionsDown() * size.regionsAcross();
  symbol->gridRows = size.mappingRows();
  symbol->gridCols = size.mappingCols();

  symbol->codewords = static_cast<uint8_t*>(std::malloc(symbol->totalCodewords));
  if (symbol->codewords == nullptr) noMemory();
  std::memset(symbol->codewords, 0, symbol->totalCodewords);
  if (n > 0) std::memcpy(symbol->codewords, stream.data(), n);
}

void dmAddPadding(DmSymbol* symbol) {
  const int32_t capacity = SymbolAttributes[symbol->sizeIndex].dataCodewords;
  dexmora::addPadding(symbol->codewords, capacity - symbol->padCount, capacity);
}
