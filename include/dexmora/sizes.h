#pragma once

/// @file
/// The ECC200 symbol sizes and how a size is asked for.

#include <cstdint>
#include <string>
#include <string_view>

#include <dexmora/error.h>
#include <dexmora/export.h>

namespace dexmora {

/// The family a symbol size belongs to.
enum class SizeKind : uint8_t {
  Square,     ///< the 24 square ECC200 sizes
  Rectangle,  ///< the 6 rectangular ECC200 sizes
  Dmre,       ///< the 18 Rectangular Extension sizes (ISO/IEC 21471)
};

/// One ECC200 symbol size. The rest of its geometry follows from these fields.
struct SymbolSize {
  int16_t rows;            ///< symbol height in modules, finder included
  int16_t cols;            ///< symbol width in modules
  int16_t regionRows;      ///< interior of one data region, in modules
  int16_t regionCols;      ///< interior width of one data region
  int16_t dataCodewords;   ///< data capacity in codewords
  int16_t errorCodewords;  ///< Reed-Solomon codewords over all blocks
  int16_t blockCount;      ///< interleaved Reed-Solomon blocks
  SizeKind kind;           ///< square, rectangle or DMRE

  /// Data regions from top to bottom; each is framed by its own finder and alignment lines.
  constexpr int regionsDown() const { return rows / (regionRows + 2); }
  /// Data regions from left to right.
  constexpr int regionsAcross() const { return cols / (regionCols + 2); }
  /// Height of the mapping matrix: the data regions without their frames.
  constexpr int mappingRows() const { return regionsDown() * regionRows; }
  /// Width of the mapping matrix.
  constexpr int mappingCols() const { return regionsAcross() * regionCols; }
  /// Data and error-correction codewords together.
  constexpr int totalCodewords() const { return dataCodewords + errorCodewords; }
  /// Error-correction codewords of one block.
  constexpr int errorCodewordsPerBlock() const { return errorCodewords / blockCount; }
  /// Modules in the symbol.
  constexpr int area() const { return rows * cols; }
};

/// How many sizes there are (48): squares, then rectangles, then DMRE.
DEXMORA_EXPORT int symbolSizeCount();

/// Size number `index` (0 to symbolSizeCount() - 1), squares first, each
/// group by area; BadOption outside.
DEXMORA_EXPORT Expected<SymbolSize> symbolSize(int index);

/// The size with these sides, or nullptr when there is none.
DEXMORA_EXPORT const SymbolSize* findSymbolSize(int rows, int cols);

/// "22x22": a size's name as the library's messages and figures give it.
DEXMORA_EXPORT std::string sizeName(const SymbolSize& size);

/// What an automatic size is chosen from.
enum class Shape : uint8_t {
  Square,     ///< the 24 squares
  Rectangle,  ///< the 6 rectangles (and DMRE when allowed)
  Any,        ///< squares and rectangles (and DMRE when allowed), smallest area first
};

/// Layout of the 144x144 symbol's error-correction blocks.
enum class Dm144Layout : uint8_t {
  Iso,      ///< the standard's interleaving
  Defacto,  ///< the rotated block order some older readers expect
};

}  // namespace dexmora
