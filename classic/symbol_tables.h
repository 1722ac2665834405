#pragma once

#include <cstdint>

// One row of the ECC200 square-symbol attribute table.
struct DmSymbolAttributeRow {
  int32_t symbolSize;      // side in modules, finder and alignment patterns included
  int32_t dataCodewords;   // data capacity
  int32_t errorCodewords;  // Reed-Solomon codewords over all blocks
  int32_t regionSize;      // side of one data region in modules
  int32_t regionCount;     // 1, 4, 16 or 36 regions
  int32_t blockCount;      // interleaved Reed-Solomon blocks
};

constexpr int DM_SYMBOL_SIZE_COUNT = 24;

// The 24 square sizes, smallest first: the square rows of ISO/IEC 16022's
// attribute table. The row index is DmSymbol::sizeIndex, which is also the
// library's index of the same size (squares come first there).
inline constexpr DmSymbolAttributeRow SymbolAttributes[DM_SYMBOL_SIZE_COUNT] = {
    {10, 3, 5, 8, 1, 1},          {12, 5, 7, 10, 1, 1},         {14, 8, 10, 12, 1, 1},
    {16, 12, 12, 14, 1, 1},       {18, 18, 14, 16, 1, 1},       {20, 22, 18, 18, 1, 1},
    {22, 30, 20, 20, 1, 1},       {24, 36, 24, 22, 1, 1},       {26, 44, 28, 24, 1, 1},
    {32, 62, 36, 14, 4, 1},       {36, 86, 42, 16, 4, 1},       {40, 114, 48, 18, 4, 1},
    {44, 144, 56, 20, 4, 1},      {48, 174, 68, 22, 4, 1},      {52, 204, 84, 24, 4, 2},
    {64, 280, 112, 14, 16, 2},    {72, 368, 144, 16, 16, 4},    {80, 456, 192, 18, 16, 4},
    {88, 576, 224, 20, 16, 4},    {96, 696, 272, 22, 16, 4},    {104, 816, 336, 24, 16, 6},
    {120, 1050, 408, 18, 36, 6},  {132, 1304, 496, 20, 36, 8},  {144, 1558, 620, 22, 36, 10},
};

namespace dm_detail {
struct Sides {
  int32_t side[DM_SYMBOL_SIZE_COUNT];
};

constexpr Sides sidesOf(const DmSymbolAttributeRow (&rows)[DM_SYMBOL_SIZE_COUNT]) {
  Sides sides{};
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) sides.side[i] = rows[i].symbolSize;
  return sides;
}
inline constexpr Sides kSides = sidesOf(SymbolAttributes);
}  // namespace dm_detail

// The sizes a user can pick, in the order the size list shows them (the
// table's, smallest first); a list position is an index into this array.
inline constexpr const int32_t (&SelectableSizes)[DM_SYMBOL_SIZE_COUNT] = dm_detail::kSides.side;

// Largest data capacity of any size (144x144).
constexpr int32_t DM_MAX_DATA_CODEWORDS = SymbolAttributes[DM_SYMBOL_SIZE_COUNT - 1].dataCodewords;
