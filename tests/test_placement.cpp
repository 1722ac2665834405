#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "classic/symbol_steps.h"
#include "classic/symbol_tables.h"
#include "core/placement.h"
#include "symbol_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The mapping matrix of one row with the given codeword stream (zero-extended)
// laid in by the walk.
struct Placed {
  int side = 0;
  Bytes grid;
  Placed(int sizeIndex, const Bytes& stream) {
    const DmSymbolAttributeRow& row = SymbolAttributes[sizeIndex];
    side = static_cast<int>(std::sqrt(row.regionCount)) * row.regionSize;
    Bytes codewords(static_cast<size_t>(row.dataCodewords + row.errorCodewords), 0);
    std::copy_n(stream.begin(), std::min(stream.size(), codewords.size()), codewords.begin());
    grid.assign(static_cast<size_t>(side) * static_cast<size_t>(side), 0);
    dexmora::placeCodewords(grid.data(), side, side, codewords.data(), codewords.size());
  }
  uint8_t at(int row, int col) const { return grid[static_cast<size_t>(row * side + col)]; }
};

using Cell = std::pair<int, int>;

// Which codeword bit every module holds, found by placing streams in which
// one mask of the codewords is set according to one bit of their index.
struct Owners {
  int side = 0;
  std::vector<int> codeword;  // per module, -1 when no bit is placed there
  std::vector<int> bit;       // 1 = mask 128 ... 8 = mask 1
  std::map<int, std::vector<Cell>> cells;  // codeword -> its eight modules, mask 128 first
  int darkWithoutCodeword = 0;

  explicit Owners(int sizeIndex) {
    const DmSymbolAttributeRow& row = SymbolAttributes[sizeIndex];
    const size_t total = static_cast<size_t>(row.dataCodewords + row.errorCodewords);
    side = static_cast<int>(std::sqrt(row.regionCount)) * row.regionSize;
    const size_t modules = static_cast<size_t>(side * side);
    codeword.assign(modules, 0);
    bit.assign(modules, 0);
    std::vector<int> masksSeen(modules, 0);
    for (int b = 1; b <= 8; ++b) {
      const uint8_t mask = static_cast<uint8_t>(128 >> (b - 1));
      Placed all(sizeIndex, Bytes(total, mask));
      for (size_t m = 0; m < modules; ++m) {
        if ((all.grid[m] & (DM_MODULE_DARK | DM_MODULE_ASSIGNED)) == (DM_MODULE_DARK | DM_MODULE_ASSIGNED)) {
          bit[m] = b;
          ++masksSeen[m];
        }
        EXPECT_LE(masksSeen[m], 1) << "module " << m << " holds two bits";
      }
      for (int indexBit = 0; (total >> indexBit) != 0; ++indexBit) {
        Bytes stream(total);
        for (size_t k = 0; k < total; ++k) stream[k] = ((k >> indexBit) & 1) ? mask : 0;
        Placed one(sizeIndex, stream);
        for (size_t m = 0; m < modules; ++m) {
          if (bit[m] == b && (one.grid[m] & DM_MODULE_DARK)) codeword[m] |= 1 << indexBit;
        }
      }
    }
    Placed blank(sizeIndex, Bytes(total, 0));
    for (size_t m = 0; m < modules; ++m) {
      if (!(blank.grid[m] & DM_MODULE_ASSIGNED)) {
        codeword[m] = -1;
        if (blank.grid[m] & DM_MODULE_DARK) ++darkWithoutCodeword;
      }
    }
    for (int b = 1; b <= 8; ++b) {
      for (size_t m = 0; m < modules; ++m) {
        if (codeword[m] >= 0 && bit[m] == b) {
          cells[codeword[m]].push_back({static_cast<int>(m) / side, static_cast<int>(m) % side});
        }
      }
    }
  }
  std::string label(int row, int col) const {
    const size_t m = static_cast<size_t>(row * side + col);
    return std::to_string(codeword[m] + 1) + "." + std::to_string(bit[m]);
  }
};

TEST(Placement, SmallestSymbolBitMap) {
  const char* expected[8][8] = {
      {"2.1", "2.2", "3.6", "3.7", "3.8", "4.3", "4.4", "4.5"},
      {"2.3", "2.4", "2.5", "5.1", "5.2", "4.6", "4.7", "4.8"},
      {"2.6", "2.7", "2.8", "5.3", "5.4", "5.5", "1.1", "1.2"},
      {"1.5", "6.1", "6.2", "5.6", "5.7", "5.8", "1.3", "1.4"},
      {"1.8", "6.3", "6.4", "6.5", "8.1", "8.2", "1.6", "1.7"},
      {"7.2", "6.6", "6.7", "6.8", "8.3", "8.4", "8.5", "7.1"},
      {"7.4", "7.5", "3.1", "3.2", "8.6", "8.7", "8.8", "7.3"},
      {"7.7", "7.8", "3.3", "3.4", "3.5", "4.1", "4.2", "7.6"},
  };
  Owners owners(0);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) EXPECT_EQ(owners.label(r, c), expected[r][c]) << r << "," << c;
  }
}

TEST(Placement, SmallestSymbolModules) {
  Placed p(0, {142, 164, 186, 114, 25, 5, 88, 102});
  const char* rows[8] = {"10010110", "10000010", "10001110", "10000100",
                         "00000111", "11011000", "11101100", "00111010"};
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      EXPECT_EQ(p.at(r, c), rows[r][c] == '1' ? 7 : 6) << r << "," << c;
    }
  }
}

TEST(Placement, ColumnWrapMovesRowsForSideTen) {
  Owners owners(1);
  const std::vector<Cell> first = {{0, 8}, {0, 9}, {1, 8}, {1, 9}, {3, 0}, {2, 8}, {2, 9}, {4, 0}};
  EXPECT_EQ(owners.cells[0], first);
}

TEST(Placement, UnfilledCornerGetsTheFixedPattern) {
  for (int sizeIndex = 0; sizeIndex < DM_SYMBOL_SIZE_COUNT; ++sizeIndex) {
    const DmSymbolAttributeRow& row = SymbolAttributes[sizeIndex];
    SCOPED_TRACE(row.symbolSize);
    Placed p(sizeIndex, {});
    const int n = p.side;
    const bool unfilled = row.symbolSize == 12 || row.symbolSize == 16 || row.symbolSize == 20 || row.symbolSize == 24;
    if (unfilled) {
      EXPECT_EQ(p.at(n - 2, n - 2), 1);
      EXPECT_EQ(p.at(n - 2, n - 1), 0);
      EXPECT_EQ(p.at(n - 1, n - 2), 0);
      EXPECT_EQ(p.at(n - 1, n - 1), 1);
    }
    int unassigned = 0;
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c) {
        const uint8_t v = p.at(r, c);
        ASSERT_TRUE(v == 6 || (!(v & DM_MODULE_ASSIGNED) && v <= 1)) << r << "," << c << " = " << int(v);
        if (!(v & DM_MODULE_ASSIGNED)) ++unassigned;
      }
    }
    EXPECT_EQ(unassigned, unfilled ? 4 : 0);
  }
}

std::vector<Cell> cornerCells(int shape, int n) {
  switch (shape) {
    case 1: return {{n - 1, 0}, {n - 1, 1}, {n - 1, 2}, {0, n - 2}, {0, n - 1}, {1, n - 1}, {2, n - 1}, {3, n - 1}};
    case 2: return {{n - 3, 0}, {n - 2, 0}, {n - 1, 0}, {0, n - 4}, {0, n - 3}, {0, n - 2}, {0, n - 1}, {1, n - 1}};
    case 3: return {{n - 3, 0}, {n - 2, 0}, {n - 1, 0}, {0, n - 2}, {0, n - 1}, {1, n - 1}, {2, n - 1}, {3, n - 1}};
    default: return {{n - 1, 0}, {n - 1, n - 1}, {0, n - 3}, {0, n - 2}, {0, n - 1}, {1, n - 3}, {1, n - 2}, {1, n - 1}};
  }
}

// Every size places exactly totalCodewords codewords of eight distinct
// modules each, and the corner shapes fire where and when ECC200 says.
TEST(Placement, EverySizePlacesEachCodewordOnceWithTheRightCorners) {
  // symbol size -> (shape, codeword counted from 1)
  const std::map<int, std::pair<int, int>> corners = {
      {14, {1, 8}},    {22, {1, 23}},   {32, {1, 46}},   {40, {1, 77}},  {48, {1, 116}},
      {120, {1, 716}}, {144, {1, 1073}}, {16, {2, 8}},   {24, {2, 23}},
  };
  for (int sizeIndex = 0; sizeIndex < DM_SYMBOL_SIZE_COUNT; ++sizeIndex) {
    const DmSymbolAttributeRow& row = SymbolAttributes[sizeIndex];
    SCOPED_TRACE(row.symbolSize);
    Owners owners(sizeIndex);
    const int total = row.dataCodewords + row.errorCodewords;
    ASSERT_EQ(static_cast<int>(owners.cells.size()), total);
    EXPECT_EQ(owners.cells.rbegin()->first, total - 1);
    for (const auto& [k, cells] : owners.cells) ASSERT_EQ(cells.size(), 8u) << "codeword " << k + 1;
    const auto corner = corners.find(row.symbolSize);
    for (const auto& [k, cells] : owners.cells) {
      for (int shape = 1; shape <= 4; ++shape) {
        const bool expected = corner != corners.end() && corner->second == std::make_pair(shape, k + 1);
        EXPECT_EQ(cells == cornerCells(shape, owners.side), expected) << "shape " << shape << " codeword " << k + 1;
      }
    }
  }
}

TEST(Placement, ExtremeCodewordsStillMarkTheirModules) {
  Placed zeros(0, Bytes(8, 0));
  Placed ones(0, Bytes(8, 255));
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      EXPECT_EQ(zeros.at(r, c), 6);
      EXPECT_EQ(ones.at(r, c), 7);
    }
  }
}

TEST(Placement, MissingSymbolEndsTheProcess) {
  EXPECT_EXIT(dmAllocGrid(nullptr), testing::ExitedWithCode(1), "");
}

// The grid dmPlaceCodewords fills from the library's symbol is, flag for
// flag, the grid the walk makes of that symbol's codewords: every size asked
// for, texts of each kind.
TEST(Placement, StepFillsTheWalksGridOfTheFinishedCodewords) {
  const char* texts[] = {"123456", "Dexmora", "\x80\x81\xFE", "A"};
  for (int sizeIndex = 0; sizeIndex < DM_SYMBOL_SIZE_COUNT; ++sizeIndex) {
    for (const char* text : texts) {
      SCOPED_TRACE(std::to_string(SelectableSizes[sizeIndex]) + " " + text);
      ClassicJob job(SelectableSizes[sizeIndex], text);
      const Placed walked(job.symbol().sizeIndex, job.finished().codewords());
      ASSERT_EQ(job.symbol().gridRows, walked.side);
      ASSERT_EQ(job.symbol().gridCols, walked.side);
      EXPECT_EQ(Bytes(job.symbol().moduleGrid, job.symbol().moduleGrid + walked.grid.size()), walked.grid);
    }
  }
}

TEST(Symbol, FreeClearsEverythingAndIsRepeatable) {
  DmSymbol symbol{};
  requestedSize = 16;
  buildClassicSymbol(&symbol, reinterpret_cast<const uint8_t*>("ABC"), 3);
  requestedSize = 0;
  ASSERT_NE(symbol.finished, nullptr);
  dmFreeSymbol(&symbol);
  const DmSymbol clear{};
  EXPECT_EQ(std::memcmp(&symbol, &clear, sizeof clear), 0);
  dmFreeSymbol(&symbol);
}

// Steps given a symbol the library refused leave it as they found it.
TEST(Placement, StepsPassOverARefusedText) {
  DmSymbol symbol{};
  testing::internal::CaptureStderr();
  buildClassicSymbol(&symbol, reinterpret_cast<const uint8_t*>(""), 0);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(symbol.finished, nullptr);
  EXPECT_EQ(symbol.codewords, nullptr);
  EXPECT_EQ(symbol.gridRows, 0);
  ASSERT_NE(symbol.moduleGrid, nullptr);  // dmAllocGrid still gives its one byte
  EXPECT_EQ(symbol.moduleGrid[0], 0);
  dmFreeSymbol(&symbol);
}

}  // namespace
