#include "encoder/reed_solomon.h"

#include <cstdint>
#include <cstring>

#include "encoder/symbol_tables.h"

namespace {

constexpr int REGISTER_BYTES = 3000;
// Room for the largest per-block error codeword count in the table (68)
// in whole 64-bit words.
constexpr int ROW_WORDS = 9;

// a * 2^i in GF(256); zero stays zero without a table lookup.
uint8_t mulPower(uint8_t a, int i) { return a == 0 ? 0 : static_cast<uint8_t>(gfExp[(gfLog[a] + i) % 255]); }

// Multiplies each of the eight field elements packed in `word` by 2:
// shift left, and reduce by 0x12D the bytes whose top bit fell out.
uint64_t timesTwo(uint64_t word) {
  const uint64_t top = word & 0x8080808080808080ull;
  return ((word & 0x7F7F7F7F7F7F7F7Full) << 1) ^ ((top >> 7) * 0x2D);
}

// dst[0 .. n) ^= row[0 .. n), a whole word at a time; the row's padding is
// zero, so the bytes past n that a last partial word touches keep their value.
void xorRow(uint8_t* dst, const uint64_t* row, int n) {
  for (int k = 0; k < n; k += 8) {
    uint64_t word;
    std::memcpy(&word, dst + k, 8);
    word ^= row[k / 8];
    std::memcpy(dst + k, &word, 8);
  }
}

}  // namespace

void dmGeneratorPoly(uint8_t* g, int n) {
  std::memset(g, 1, static_cast<size_t>(n) + 1);
  for (int i = 1; i <= n; ++i) {
    // Descending k reads g[k - 1] from before this step: multiplies by (x + 2^i).
    for (int k = i - 1; k > 0; --k) g[k] = mulPower(g[k], i) ^ g[k - 1];
    g[0] = mulPower(g[0], i);
  }
}

void dmComputeEcc(DmSymbol* symbol) {
  const DmSymbolAttributeRow& attr = SymbolAttributes[symbol->sizeIndex];
  const int dataCount = attr.dataCodewords;
  const int blocks = attr.blockCount;
  const int n = attr.errorCodewords / blocks;
  uint8_t* const cw = symbol->codewords;

  // Every block has the same n and so the same generator.
  uint8_t g[REGISTER_BYTES + 1];
  dmGeneratorPoly(g, n);

  // multiples[i] = 2^i * (g[n-1], g[n-2], ... g[0]), zero-padded to whole
  // words: the subtrahend for a leading coefficient f is multiples[gfLog[f]].
  // Each row is the one before times 2, eight coefficients per word.
  // Only the words that hold coefficients are filled and ever read.
  const int words = (n + 7) / 8;
  uint64_t multiples[255][ROW_WORDS];
  uint8_t firstRow[ROW_WORDS * 8] = {};
  for (int k = 0; k < n; ++k) firstRow[k] = g[n - 1 - k];
  std::memcpy(multiples[0], firstRow, sizeof firstRow);
  for (int i = 1; i < 255; ++i) {
    for (int w = 0; w < words; ++w) multiples[i][w] = timesTwo(multiples[i - 1][w]);
  }

  // The block's data codewords followed by the n-codeword remainder area,
  // with slack for whole-word steps past the end.
  uint8_t work[REGISTER_BYTES + ROW_WORDS * 8];
  for (int b = 0; b < blocks; ++b) {
    int length = 0;
    for (int p = b; p < dataCount; p += blocks) work[length++] = cw[p];
    std::memset(work + length, 0, static_cast<size_t>(n) + ROW_WORDS * 8);
    // Long division of (data x^n) by the monic g(x), first codeword highest
    // order: each leading coefficient f subtracts f * g(x) below it.
    for (int i = 0; i < length; ++i) {
      if (work[i] != 0) xorRow(work + i + 1, multiples[gfLog[work[i]] % 255], n);
    }
    // The remainder's highest-order coefficient is error codeword 0.
    for (int e = 0; e < n; ++e) cw[dataCount + b + e * blocks] = work[length + e];
  }
}
