#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/size_table.h"

namespace dexmora {

// Flag bits of one byte of the mapping matrix.
constexpr uint8_t MODULE_DARK = 1;      // dark module
constexpr uint8_t MODULE_ASSIGNED = 2;  // holds a codeword bit
constexpr uint8_t MODULE_VISITED = 4;   // reached by the placement walk

// Lays `count` codewords into the cleared rows x cols mapping matrix `grid`
// (flag bytes, row-major, row 0 on top) with the ECC200 diagonal walk, its
// four corner shapes and the fixed pattern for a bottom-right corner no
// codeword reaches. The walk takes at most `count` codewords.
void placeCodewords(uint8_t* grid, int rows, int cols, const uint8_t* codewords, size_t count);

// The whole symbol's modules (rows x cols bytes, 1 = dark) from its mapping
// matrix: the finder pattern around it and the alignment patterns between
// its data regions.
std::vector<uint8_t> frameModules(const SymbolSize& size, const uint8_t* grid);

}  // namespace dexmora
