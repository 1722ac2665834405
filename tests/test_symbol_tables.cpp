#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include <dexmora/sizes.h>

#include "classic/symbol_tables.h"
#include "core/galois.h"
#include "core/size_table.h"

namespace {

// The field the error correction works in, as the core has it.
constexpr const auto& gfExp = dexmora::GF_EXP;
constexpr const auto& gfLog = dexmora::GF_LOG;

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

// Two alignment lines between each pair of neighbouring regions.
int alignmentLines(const dexmora::SymbolSize& size) { return (size.regionsDown() - 1) * 2; }

TEST(SymbolTables, EveryRowIsGeometricallyConsistent) {
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    const DmSymbolAttributeRow& row = SymbolAttributes[i];
    SCOPED_TRACE(row.symbolSize);
    const int perSide = static_cast<int>(std::sqrt(row.regionCount));
    ASSERT_EQ(perSide * perSide, row.regionCount);
    EXPECT_EQ(row.symbolSize, perSide * row.regionSize + alignmentLines(dexmora::SYMBOL_SIZES[i]) + 2);
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

// The first release's table is the library's squares, row for row.
TEST(SymbolTables, RowsAreTheLibrarysSquares) {
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    const DmSymbolAttributeRow& row = SymbolAttributes[i];
    SCOPED_TRACE(row.symbolSize);
    const dexmora::Expected<dexmora::SymbolSize> size = dexmora::symbolSize(i);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->kind, dexmora::SizeKind::Square);
    EXPECT_EQ(size->rows, row.symbolSize);
    EXPECT_EQ(size->cols, row.symbolSize);
    EXPECT_EQ(size->dataCodewords, row.dataCodewords);
    EXPECT_EQ(size->errorCodewords, row.errorCodewords);
    EXPECT_EQ(size->regionRows, row.regionSize);
    EXPECT_EQ(size->regionCols, row.regionSize);
    EXPECT_EQ(size->regionsDown() * size->regionsAcross(), row.regionCount);
    EXPECT_EQ(size->blockCount, row.blockCount);
  }
  EXPECT_EQ(dexmora::symbolSize(DM_SYMBOL_SIZE_COUNT)->kind, dexmora::SizeKind::Rectangle);
}

TEST(SymbolTables, AlignmentLines) {
  const std::map<int, int> linesByRegionCount = {{1, 0}, {4, 2}, {16, 6}, {36, 10}};
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    SCOPED_TRACE(SymbolAttributes[i].symbolSize);
    EXPECT_EQ(alignmentLines(dexmora::SYMBOL_SIZES[i]), linesByRegionCount.at(SymbolAttributes[i].regionCount));
  }
}

// Rectangles and DMRE too: the regions and their frames tile each side, the
// blocks share the error codewords evenly and the codewords fill the mapping
// matrix.
TEST(SymbolTables, EverySizeTilesItsSides) {
  for (const dexmora::SymbolSize& size : dexmora::SYMBOL_SIZES) {
    SCOPED_TRACE(std::to_string(size.rows) + "x" + std::to_string(size.cols));
    EXPECT_EQ(size.rows, size.regionsDown() * (size.regionRows + 2));
    EXPECT_EQ(size.cols, size.regionsAcross() * (size.regionCols + 2));
    EXPECT_EQ(size.errorCodewords % size.blockCount, 0);
    // Eight modules a codeword; only the fixed corner pattern's 2x2 is left over.
    const int spare = size.mappingRows() * size.mappingCols() - 8 * size.totalCodewords();
    EXPECT_TRUE(spare == 0 || spare == 4) << spare;
    EXPECT_EQ(dexmora::findSize(size.rows, size.cols), &size - dexmora::SYMBOL_SIZES);
  }
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
