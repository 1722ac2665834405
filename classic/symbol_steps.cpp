#include "symbol_steps.h"

#include <dexmora/encode.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "encode_job.h"

namespace {

[[noreturn]] void outOfMemory() {
  errno = ENOMEM;
  std::perror("dmEncodeData");
  std::exit(7);
}

// The library's symbol for the text, or null when it refuses the text.
dexmora::Symbol* encodeText(const uint8_t* text, int32_t length) {
  try {
    dexmora::EncodeOptions options;
    // A side that names no square size asks for none: the automatic choice.
    if (dexmora::findSymbolSize(requestedSize, requestedSize)) options.setSize(requestedSize, requestedSize);
    dexmora::Expected<dexmora::Symbol> encoded =
        dexmora::encode(text, length > 0 ? static_cast<size_t>(length) : 0, options);
    if (encoded) return new dexmora::Symbol(std::move(encoded).value());
    if (encoded.error().code() == dexmora::ErrorCode::OutOfMemory) outOfMemory();
    std::fprintf(stderr, "dmEncodeData: %s\n", encoded.error().message().c_str());
  } catch (const std::bad_alloc&) {
    outOfMemory();
  }
  errno = EINVAL;
  return nullptr;
}

// Mapping-matrix row (or column) k in the symbol: each data region is framed
// by a module on either side, and the finder's top row (left column) comes first.
int symbolLine(int k, int regionSide) { return 1 + k + 2 * (k / regionSide); }

}  // namespace

void dmEncodeData(DmSymbol* symbol, const uint8_t* text, int32_t length) {
  dexmora::Symbol* finished = encodeText(text, length);
  if (finished == nullptr) return;
  const dexmora::SymbolSize& size = finished->size();
  symbol->finished = finished;
  symbol->sizeIndex = finished->sizeIndex();
  symbol->regionCount = size.regionsDown() * size.regionsAcross();
  symbol->gridRows = size.mappingRows();
  symbol->gridCols = size.mappingCols();
  symbol->totalCodewords = static_cast<uint32_t>(size.totalCodewords());
  symbol->padCount = finished->capacity() - finished->dataLength();

  symbol->codewords = static_cast<uint8_t*>(std::malloc(symbol->totalCodewords));
  if (symbol->codewords == nullptr) outOfMemory();
  std::memset(symbol->codewords, 0, symbol->totalCodewords);
  const std::vector<uint8_t>& stream = finished->codewords();
  std::copy(stream.begin(), stream.begin() + finished->dataLength(), symbol->codewords);
}

void dmAddPadding(DmSymbol* symbol) {
  if (symbol->finished == nullptr) return;
  const std::vector<uint8_t>& stream = symbol->finished->codewords();
  const int capacity = symbol->finished->capacity();
  const int firstPad = capacity - symbol->padCount;
  std::copy(stream.begin() + firstPad, stream.begin() + capacity, symbol->codewords + firstPad);
}

void dmComputeEcc(DmSymbol* symbol) {
  if (symbol->finished == nullptr) return;
  const std::vector<uint8_t>& stream = symbol->finished->codewords();
  const int capacity = symbol->finished->capacity();
  std::copy(stream.begin() + capacity, stream.end(), symbol->codewords + capacity);
}

void dmAllocGrid(DmSymbol* symbol) {
  if (symbol == nullptr) std::exit(1);
  const size_t bytes = static_cast<size_t>(symbol->gridRows) * static_cast<size_t>(symbol->gridCols);
  symbol->moduleGrid = static_cast<uint8_t*>(std::calloc(bytes > 0 ? bytes : 1, 1));
  if (symbol->moduleGrid == nullptr) std::exit(2);
}

void dmPlaceCodewords(DmSymbol* symbol) {
  if (symbol->finished == nullptr || symbol->moduleGrid == nullptr) return;
  const dexmora::Symbol& finished = *symbol->finished;
  const dexmora::SymbolSize& size = finished.size();
  const int rows = symbol->gridRows;
  const int cols = symbol->gridCols;
  // Eight modules a codeword; where four are left over, they are the
  // bottom-right 2x2 corner, which holds the fixed pattern instead.
  const bool fixedCorner = rows * cols - 8 * static_cast<int>(symbol->totalCodewords) == 4;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      uint8_t module = finished.isDark(symbolLine(c, size.regionCols), symbolLine(r, size.regionRows)) ? DM_MODULE_DARK : 0;
      if (!(fixedCorner && r >= rows - 2 && c >= cols - 2)) module |= DM_MODULE_ASSIGNED | DM_MODULE_VISITED;
      symbol->moduleGrid[static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c)] = module;
    }
  }
}
