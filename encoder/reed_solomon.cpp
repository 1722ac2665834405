#include "encoder/reed_solomon.h"

#include <cstring>

#include "encoder/symbol_tables.h"

namespace {

constexpr int REGISTER_BYTES = 3000;

// a * 2^i in GF(256); zero stays zero without a table lookup.
uint8_t mulPower(uint8_t a, int i) { return a == 0 ? 0 : static_cast<uint8_t>(gfExp[(gfLog[a] + i) % 255]); }

// a * b in GF(256).
uint8_t mul(uint8_t a, uint8_t b) {
  return a == 0 || b == 0 ? 0 : static_cast<uint8_t>(gfExp[(gfLog[a] + gfLog[b]) % 255]);
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
  uint8_t g[REGISTER_BYTES + 1];
  uint8_t r[REGISTER_BYTES];

  for (int b = 0; b < blocks; ++b) {
    dmGeneratorPoly(g, n);
    std::memset(r, 0, sizeof r);
    // Block b is every blocks-th data codeword from b on; the register keeps
    // the remainder of (data x^n) / g(x), first codeword highest order.
    for (int p = b; p < dataCount; p += blocks) {
      const uint8_t f = r[n - 1] ^ cw[p];
      for (int k = n - 1; k > 0; --k) r[k] = r[k - 1] ^ mul(g[k], f);
      r[0] = mul(g[0], f);
    }
    for (int e = 0; e < n; ++e) cw[dataCount + b + e * blocks] = r[n - 1 - e];
  }
}
