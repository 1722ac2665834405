#pragma once

#include <cstdint>

#include "encoder/symbol.h"

// Allocates the cleared gridRows x gridCols module grid. Ends the process with
// status 1 for a null symbol and 2 when the memory cannot be obtained.
void dmAllocGrid(DmSymbol* symbol);

// Lays the whole codeword stream into the module grid with the ECC200
// diagonal walk, its corner shapes and the fixed bottom-right corner pattern.
void dmPlaceCodewords(DmSymbol* symbol);

// Places the bit `mask` of `codeword` at (row, col), wrapping negative
// coordinates around the grid as ECC200 placement requires.
void dmPlaceModule(DmSymbol* symbol, int row, int col, uint8_t codeword, uint8_t mask);

// Places the eight bits of a codeword in the character shape whose last
// module is (row, col).
void dmPlaceCharacter(DmSymbol* symbol, int row, int col, uint8_t codeword);

// The four special shapes that place one codeword across the grid's corners.
void dmPlaceCorner1(DmSymbol* symbol, uint8_t codeword);
void dmPlaceCorner2(DmSymbol* symbol, uint8_t codeword);
void dmPlaceCorner3(DmSymbol* symbol, uint8_t codeword);
void dmPlaceCorner4(DmSymbol* symbol, uint8_t codeword);
