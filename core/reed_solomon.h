#pragma once

#include <cstdint>
#include <vector>

#include <dexmora/sizes.h>

namespace dexmora {

// The n + 1 coefficients g[0..n] (g[k] of x^k, g[n] = 1) of the generator
// polynomial (x + 2)(x + 2^2)...(x + 2^n) over GF(256), field polynomial 0x12D.
std::vector<uint8_t> generatorPolynomial(int n);

// Computes the Reed-Solomon codewords of every block of the first
// size.dataCodewords codewords and stores them interleaved behind the data:
// error codeword e of block b at dataCodewords + b + e * blockCount.
// `codewords` holds size.totalCodewords() bytes.
void computeErrorCorrection(uint8_t* codewords, const SymbolSize& size, Dm144Layout layout = Dm144Layout::Iso);

}  // namespace dexmora
