#pragma once

#include <cstdint>

#include "core/galois.h"
#include "core/size_table.h"

// One row of the ECC200 square-symbol attribute table.
struct DmSymbolAttributeRow {
  int32_t symbolSize;      // side in modules, finder and alignment patterns included
  int32_t dataCodewords;   // data capacity
  int32_t errorCodewords;  // Reed-Solomon codewords over all blocks
  int32_t regionSize;      // side of one data region in modules
  int32_t regionCount;     // 1, 4, 16 or 36 regions
  int32_t blockCount;      // interleaved Reed-Solomon blocks
};

constexpr int DM_SYMBOL_SIZE_COUNT = dexmora::SQUARE_SIZE_COUNT;

namespace dm_detail {
constexpr DmSymbolAttributeRow attributeRow(const dexmora::SymbolSize& s) {
  return {s.rows, s.dataCodewords, s.errorCodewords, s.regionRows, s.regionsDown() * s.regionsAcross(), s.blockCount};
}
template <int... I>
struct Rows {
  static constexpr DmSymbolAttributeRow table[sizeof...(I)] = {attributeRow(dexmora::SYMBOL_SIZES[I])...};
  static constexpr int32_t sides[sizeof...(I)] = {dexmora::SYMBOL_SIZES[I].rows...};
};
using SquareRows = Rows<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23>;
}  // namespace dm_detail

// The 24 square sizes, smallest first, as the core's size table has them;
// the row index is DmSymbol::sizeIndex.
inline constexpr const DmSymbolAttributeRow (&SymbolAttributes)[DM_SYMBOL_SIZE_COUNT] = dm_detail::SquareRows::table;

// The sizes a user can pick, in the order the size list shows them (the
// table's, smallest first); a list position is an index into this array.
inline constexpr const int32_t (&SelectableSizes)[DM_SYMBOL_SIZE_COUNT] = dm_detail::SquareRows::sides;

// Largest data capacity of any size (144x144).
constexpr int32_t DM_MAX_DATA_CODEWORDS = dexmora::MAX_DATA_CODEWORDS;

// GF(256) with field polynomial 0x12D: gfExp[i] = 2^i, gfLog its inverse,
// with gfLog[1] = 255 and gfLog[0] = -255 (never read).
inline constexpr const int32_t (&gfExp)[256] = dexmora::GF_EXP;
inline constexpr const int32_t (&gfLog)[256] = dexmora::GF_LOG;
