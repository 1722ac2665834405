#pragma once

#include <cstdint>

#include <dexmora/symbol.h>

// Flag bits of one moduleGrid byte.
constexpr uint8_t DM_MODULE_DARK = 1;      // dark module
constexpr uint8_t DM_MODULE_ASSIGNED = 2;  // holds a codeword bit
constexpr uint8_t DM_MODULE_VISITED = 4;   // reached by the placement walk

// Working state of one symbol: the library's finished symbol, and the
// fields the encode pipeline's steps fill from it one by one.
struct DmSymbol {
  int32_t sizeIndex;        // row of SymbolAttributes, set by dmEncodeData
  int32_t regionCount;      // 1, 4, 16 or 36
  int32_t gridRows;         // sides of the mapping matrix (no finder/alignment)
  int32_t gridCols;
  uint32_t totalCodewords;  // dataCodewords + errorCodewords of the row
  int32_t padCount;         // dataCodewords minus the encoded stream's length
  uint8_t* codewords;       // owned: data codewords, then error codewords
  uint8_t* moduleGrid;      // owned: gridRows x gridCols flag bytes, row-major, row 0 on top
  // Owned: what the library made of the text, set by dmEncodeData; null
  // before, and when the library refused the text.
  dexmora::Symbol* finished;
};

// Releases moduleGrid, codewords and the finished symbol and clears every
// field, so a second call releases nothing.
void dmFreeSymbol(DmSymbol* symbol);
