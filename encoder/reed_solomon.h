#pragma once

#include <cstdint>

#include "encoder/symbol.h"

// Writes the n + 1 coefficients g[0..n] (g[k] of x^k, g[n] = 1) of
// (x + 2)(x + 2^2)...(x + 2^n) over GF(256).
void dmGeneratorPoly(uint8_t* g, int n);

// Computes the Reed-Solomon codewords of every block of the symbol's data
// codewords and stores them interleaved behind the data: error codeword e of
// block b at dataCodewords + b + e * blockCount.
void dmComputeEcc(DmSymbol* symbol);
