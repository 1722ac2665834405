#pragma once

#include "classic/symbol.h"

// Allocates the cleared gridRows x gridCols module grid. Ends the process with
// status 1 for a null symbol and 2 when the memory cannot be obtained.
void dmAllocGrid(DmSymbol* symbol);

// Lays the whole codeword stream into the module grid with the ECC200
// diagonal walk, its corner shapes and the fixed bottom-right corner pattern.
void dmPlaceCodewords(DmSymbol* symbol);
