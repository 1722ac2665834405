#pragma once

#include <cstdint>

#include "core/placement.h"

// Flag bits of one moduleGrid byte.
constexpr uint8_t DM_MODULE_DARK = dexmora::MODULE_DARK;      // dark module
constexpr uint8_t DM_MODULE_ASSIGNED = dexmora::MODULE_ASSIGNED;  // holds a codeword bit
constexpr uint8_t DM_MODULE_VISITED = dexmora::MODULE_VISITED;   // reached by the placement walk

// Working state of one symbol, filled step by step by the encode pipeline.
struct DmSymbol {
  int32_t sizeIndex;        // row of SymbolAttributes, set by dmEncodeData
  int32_t regionCount;      // 1, 4, 16 or 36
  int32_t gridRows;         // sides of the mapping matrix (no finder/alignment)
  int32_t gridCols;
  uint32_t totalCodewords;  // dataCodewords + errorCodewords of the row
  int32_t padCount;         // dataCodewords minus the encoded stream's length
  uint8_t* codewords;       // owned: data codewords, then error codewords
  uint8_t* moduleGrid;      // owned: gridRows x gridCols flag bytes, row-major, row 0 on top
};

// Releases moduleGrid and codewords and clears every field, so a second call
// releases nothing.
void dmFreeSymbol(DmSymbol* symbol);
