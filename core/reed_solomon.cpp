#include "core/reed_solomon.h"

#include <cstring>

#include "core/galois.h"

namespace dexmora {

namespace {

// Longest block of data codewords in the table (48x48: 174, one block).
constexpr int MAX_BLOCK_DATA = 256;
// Room for the largest per-block error codeword count in the table (68)
// in whole 64-bit words.
constexpr int ROW_WORDS = 9;

// a * 2^i in GF(256); zero stays zero without a table lookup.
uint8_t mulPower(uint8_t a, int i) { return a == 0 ? 0 : static_cast<uint8_t>(GF_EXP[(GF_LOG[a] + i) % 255]); }

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

// Where block b's error codewords go among the interleaved slots. Readers
// built on an older convention expect the 144x144 blocks rotated by two.
int errorSlot(int block, int blocks, Dm144Layout layout) {
  return layout == Dm144Layout::Defacto && blocks == 10 ? (block + 2) % blocks : block;
}

}  // namespace

std::vector<uint8_t> generatorPolynomial(int n) {
  std::vector<uint8_t> g(static_cast<size_t>(n) + 1, 1);
  for (int i = 1; i <= n; ++i) {
    // Descending k reads g[k - 1] from before this step: multiplies by (x + 2^i).
    for (int k = i - 1; k > 0; --k) g[k] = mulPower(g[k], i) ^ g[k - 1];
    g[0] = mulPower(g[0], i);
  }
  return g;
}

void computeErrorCorrection(uint8_t* codewords, const SymbolSize& size, Dm144Layout layout) {
  const int dataCount = size.dataCodewords;
  const int blocks = size.blockCount;
  const int n = size.errorCodewordsPerBlock();
  const std::vector<uint8_t> g = generatorPolynomial(n);

  // multiples[i] = 2^i * (g[n-1], g[n-2], ... g[0]), zero-padded to whole
  // words: the subtrahend for a leading coefficient f is multiples[log f].
  // Each row is the one before times 2, eight coefficients per word; only
  // the words that hold coefficients are filled and ever read.
  const int words = (n + 7) / 8;
  uint64_t multiples[255][ROW_WORDS];
  uint8_t firstRow[ROW_WORDS * 8] = {};
  for (int k = 0; k < n; ++k) firstRow[k] = g[static_cast<size_t>(n - 1 - k)];
  std::memcpy(multiples[0], firstRow, sizeof firstRow);
  for (int i = 1; i < 255; ++i) {
    for (int w = 0; w < words; ++w) multiples[i][w] = timesTwo(multiples[i - 1][w]);
  }

  // Data codeword p belongs to block p mod blocks. The block's data is
  // followed by the n-codeword remainder area, with slack for whole-word
  // steps past the end.
  uint8_t work[MAX_BLOCK_DATA + ROW_WORDS * 8 + 8];
  for (int b = 0; b < blocks; ++b) {
    int length = 0;
    for (int p = b; p < dataCount; p += blocks) work[length++] = codewords[p];
    std::memset(work + length, 0, static_cast<size_t>(n) + ROW_WORDS * 8);
    // Long division of (data x^n) by the monic g(x), first codeword highest
    // order: each leading coefficient f subtracts f * g(x) below it.
    for (int i = 0; i < length; ++i) {
      if (work[i] != 0) xorRow(work + i + 1, multiples[GF_LOG[work[i]] % 255], n);
    }
    // The remainder's highest-order coefficient is error codeword 0.
    const int slot = errorSlot(b, blocks, layout);
    for (int e = 0; e < n; ++e) codewords[dataCount + slot + e * blocks] = work[length + e];
  }
}

}  // namespace dexmora
