#include <gtest/gtest.h>

#include <cmath>

#include "classic/symbol_tables.h"

namespace {

// Carry-less product reduced by the field polynomial, bit by bit.
int slowGfProduct(int a, int b) {
  int product = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (b & (1 << bit)) product ^= a << bit;
  }
  for (int bit = 15; bit >= 8; --bit) {
    if (product & (1 << bit)) product ^= 0x12D << (bit - 8);
  }
  return product;
}

TEST(SymbolTables, EveryRowIsGeometricallyConsistent) {
  for (const DmSymbolAttributeRow& row : SymbolAttributes) {
    SCOPED_TRACE(row.symbolSize);
    const int perSide = static_cast<int>(std::sqrt(row.regionCount));
    ASSERT_EQ(perSide * perSide, row.regionCount);
    EXPECT_EQ(row.symbolSize, perSide * row.regionSize + dmAlignmentLines(row.regionCount) + 2);
    EXPECT_EQ(row.errorCodewords % row.blockCount, 0);
    EXPECT_EQ(row.dataCodewords % row.blockCount != 0, row.symbolSize == 144);
  }
}

TEST(SymbolTables, SelectableSizesFollowTheTable) {
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    EXPECT_EQ(SelectableSizes[i], SymbolAttributes[i].symbolSize);
    if (i > 0) {
      EXPECT_GT(SymbolAttributes[i].dataCodewords, SymbolAttributes[i - 1].dataCodewords);
    }
  }
  EXPECT_EQ(SymbolAttributes[DM_SYMBOL_SIZE_COUNT - 1].dataCodewords, DM_MAX_DATA_CODEWORDS);
}

TEST(SymbolTables, AlignmentLines) {
  EXPECT_EQ(dmAlignmentLines(1), 0);
  EXPECT_EQ(dmAlignmentLines(4), 2);
  EXPECT_EQ(dmAlignmentLines(16), 6);
  EXPECT_EQ(dmAlignmentLines(36), 10);
}

TEST(GaloisField, KnownEntries) {
  EXPECT_EQ(gfExp[0], 1);
  EXPECT_EQ(gfExp[7], 128);
  EXPECT_EQ(gfExp[8], 45);
  EXPECT_EQ(gfExp[254], 150);
  EXPECT_EQ(gfExp[255], 1);
  EXPECT_EQ(gfLog[1], 255);
  EXPECT_EQ(gfLog[0], -255);
  for (int v = 2; v < 256; ++v) {
    ASSERT_GE(gfLog[v], 1);
    ASSERT_LE(gfLog[v], 254);
    ASSERT_EQ(gfExp[gfLog[v]], v);
  }
}

TEST(GaloisField, TableProductMatchesCarryLessProduct) {
  for (int a = 1; a < 256; ++a) {
    for (int b = 1; b < 256; ++b) {
      ASSERT_EQ(gfExp[(gfLog[a] + gfLog[b]) % 255], slowGfProduct(a, b)) << a << " * " << b;
    }
  }
}

}  // namespace
