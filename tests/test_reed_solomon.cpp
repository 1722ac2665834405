#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "classic/encode_job.h"
#include "classic/symbol_steps.h"
#include "classic/symbol_tables.h"
#include "core/galois.h"
#include "core/reed_solomon.h"
#include "core/size_table.h"

namespace {

// The field the error correction works in, as the core has it.
constexpr const auto& gfExp = dexmora::GF_EXP;
constexpr const auto& gfLog = dexmora::GF_LOG;

using Bytes = std::vector<uint8_t>;

// The codeword stream of one row whose data codewords are `data`
// (zero-extended), with the error codewords computed behind them.
struct EccSymbol {
  Bytes codewords;
  explicit EccSymbol(int sizeIndex, const Bytes& data = {}) {
    const DmSymbolAttributeRow& row = SymbolAttributes[sizeIndex];
    codewords.assign(static_cast<size_t>(row.dataCodewords + row.errorCodewords), 0);
    std::copy(data.begin(), data.end(), codewords.begin());
    dexmora::computeErrorCorrection(codewords.data(), dexmora::SYMBOL_SIZES[sizeIndex]);
  }
  const Bytes& all() const { return codewords; }
};

int gfMul(int a, int b) { return a == 0 || b == 0 ? 0 : gfExp[(gfLog[a] + gfLog[b]) % 255]; }

// Value at x of the polynomial whose coefficients are `c`, highest first.
int evaluate(const Bytes& c, int x) {
  int value = 0;
  for (uint8_t coefficient : c) value = gfMul(value, x) ^ coefficient;
  return value;
}

Bytes randomData(int count, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes data(static_cast<size_t>(count));
  for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
  return data;
}

TEST(GeneratorPoly, KnownPolynomials) {
  struct Case {
    int n;
    Bytes low;   // g[0..]
    Bytes high;  // ..g[n]
  };
  const Case cases[] = {
      {5, {228, 48, 15, 111, 62, 1}, {}},
      {7, {23, 68, 144, 134, 240, 92, 254, 1}, {}},
      {10, {28, 24, 185, 166, 223, 248, 116, 255, 110, 61, 1}, {}},
      {68, {220, 228, 173, 89}, {103, 82, 186, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    const Bytes g = dexmora::generatorPolynomial(c.n);
    ASSERT_EQ(g.size(), static_cast<size_t>(c.n) + 1);
    EXPECT_EQ(Bytes(g.begin(), g.begin() + static_cast<long>(c.low.size())), c.low);
    EXPECT_EQ(Bytes(g.end() - static_cast<long>(c.high.size()), g.end()), c.high);
  }
}

TEST(ErrorCodewords, SmallestSymbol) {
  EccSymbol s(0, {142, 164, 186});
  EXPECT_EQ(s.all(), (Bytes{142, 164, 186, 114, 25, 5, 88, 102}));
}

TEST(ErrorCodewords, SingleLetterInTheLargestSymbol) {
  // "A" at 144x144: 66, then the first pad and the randomised pads.
  Bytes data = {66, 129};
  for (int i = 2; i < 1558; ++i) {
    const int sum = 129 + (149 * (i + 1)) % 253 + 1;
    data.push_back(static_cast<uint8_t>(sum <= 254 ? sum : sum - 254));
  }
  EccSymbol s(23, data);
  const Bytes all = s.all();
  EXPECT_EQ(Bytes(all.begin() + 1558, all.begin() + 1568), (Bytes{251, 94, 229, 1, 98, 33, 49, 220, 36, 211}));
  EXPECT_EQ(Bytes(all.end() - 3, all.end()), (Bytes{0, 218, 126}));
  EXPECT_EQ(Bytes(all.begin(), all.begin() + 1558), data);
}

TEST(ErrorCodewords, ZeroDataGivesZeroErrorCodewords) {
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    EccSymbol s(i);
    for (uint8_t b : s.all()) ASSERT_EQ(b, 0) << SymbolAttributes[i].symbolSize;
  }
}

// Every block, read back out of the interleaved stream as data then error
// codewords, is a codeword of the Reed-Solomon code: zero at 2^1 .. 2^n.
TEST(ErrorCodewords, EveryBlockOfEverySizeHasZeroSyndromes) {
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    const DmSymbolAttributeRow& row = SymbolAttributes[i];
    SCOPED_TRACE(row.symbolSize);
    EccSymbol s(i, randomData(row.dataCodewords, static_cast<unsigned>(i)));
    const Bytes all = s.all();
    const int n = row.errorCodewords / row.blockCount;
    for (int b = 0; b < row.blockCount; ++b) {
      Bytes block;
      for (int p = b; p < row.dataCodewords; p += row.blockCount) block.push_back(all[static_cast<size_t>(p)]);
      const size_t dataInBlock = block.size();
      for (int e = 0; e < n; ++e) block.push_back(all[static_cast<size_t>(row.dataCodewords + b + e * row.blockCount)]);
      if (row.symbolSize == 144) {
        EXPECT_EQ(dataInBlock, b < 8 ? 156u : 155u);
      }
      for (int root = 1; root <= n; ++root) ASSERT_EQ(evaluate(block, gfExp[root]), 0) << "block " << b;
    }
  }
}

// Changing one data codeword touches only the error codewords of its block.
TEST(ErrorCodewords, BlocksAreInterleavedAndIndependent) {
  for (int sizeIndex : {14, 20, 23}) {
    const DmSymbolAttributeRow& row = SymbolAttributes[sizeIndex];
    SCOPED_TRACE(row.symbolSize);
    const Bytes data = randomData(row.dataCodewords, 7);
    EccSymbol base(sizeIndex, data);
    for (int p : {0, 1, row.dataCodewords - 1}) {
      Bytes changed = data;
      changed[static_cast<size_t>(p)] ^= 0x5A;
      EccSymbol other(sizeIndex, changed);
      for (int q = row.dataCodewords; q < row.dataCodewords + row.errorCodewords; ++q) {
        const bool sameBlock = (q - row.dataCodewords) % row.blockCount == p % row.blockCount;
        if (!sameBlock) {
          ASSERT_EQ(base.all()[static_cast<size_t>(q)], other.all()[static_cast<size_t>(q)]) << q;
        }
      }
    }
  }
}

// dmComputeEcc leaves behind the record's data exactly the error codewords
// of that data, for texts of every kind at every size.
TEST(ErrorCodewords, StepFillsTheCodeOfTheRecordsData) {
  std::mt19937 rng(1604);
  for (int trial = 0; trial < 240; ++trial) {
    std::string text(1 + rng() % 12, '\0');
    for (char& c : text) c = static_cast<char>(1 + rng() % 255);
    requestedSize = SelectableSizes[trial % DM_SYMBOL_SIZE_COUNT];
    DmSymbol symbol{};
    dmEncodeData(&symbol, reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()));
    dmAddPadding(&symbol);
    const Bytes data(symbol.codewords, symbol.codewords + SymbolAttributes[symbol.sizeIndex].dataCodewords);
    dmComputeEcc(&symbol);
    EXPECT_EQ(Bytes(symbol.codewords, symbol.codewords + symbol.totalCodewords), EccSymbol(symbol.sizeIndex, data).all())
        << testing::PrintToString(text) << " at " << requestedSize;
    dmFreeSymbol(&symbol);
  }
  requestedSize = 0;
}

}  // namespace
