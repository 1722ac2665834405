#pragma once

#include "classic/symbol.h"

// Computes the Reed-Solomon codewords of every block of the symbol's data
// codewords and stores them interleaved behind the data: error codeword e of
// block b at dataCodewords + b + e * blockCount.
void dmComputeEcc(DmSymbol* symbol);
