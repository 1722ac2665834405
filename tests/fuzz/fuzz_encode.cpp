#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "classic/data_encoding.h"
#include "classic/encode_job.h"
#include "classic/symbol_tables.h"
#include "classic/rasterizer.h"

// Input layout: two bytes of requested size (little-endian, signed), one
// byte of flags, then the text. Flag bit 0 passes the size through
// dmNormalizeRequestedSize as the entry does; without it any value, however
// invalid, reaches the encoder unchanged.
namespace {

constexpr size_t HEADER_BYTES = 3;

[[noreturn]] void violated(const char* what) {
  std::fprintf(stderr, "invariant violated: %s\n", what);
  std::abort();
}

void require(bool holds, const char* what) {
  if (!holds) violated(what);
}

// The row selection must pick: the requested row when it exists and holds
// the stream, else the smallest row that does, else 144x144 with the stream
// cut to its capacity.
int expectedRow(int32_t requested, int64_t streamLength) {
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    const DmSymbolAttributeRow& row = SymbolAttributes[i];
    if (requested != 0 && row.symbolSize == requested && row.dataCodewords >= streamLength) return i;
  }
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    if (SymbolAttributes[i].dataCodewords >= streamLength) return i;
  }
  return DM_SYMBOL_SIZE_COUNT - 1;
}

void checkSymbol(const DmSymbol& symbol, int32_t requested, int64_t streamLength) {
  const int row = expectedRow(requested, streamLength);
  require(symbol.sizeIndex == row, "chosen size follows the selection rule");
  const DmSymbolAttributeRow& attr = SymbolAttributes[row];
  const int64_t used = streamLength <= DM_MAX_DATA_CODEWORDS ? streamLength : DM_MAX_DATA_CODEWORDS;
  require(symbol.padCount == attr.dataCodewords - used, "pad count fills the capacity exactly");
  require(symbol.totalCodewords == static_cast<uint32_t>(attr.dataCodewords + attr.errorCodewords),
          "total codewords of the row");
  const int side = static_cast<int>(std::lround(std::sqrt(attr.regionCount))) * attr.regionSize;
  require(symbol.gridRows == side && symbol.gridCols == side, "grid side of the row");

  size_t assigned = 0;
  const size_t modules = static_cast<size_t>(side) * side;
  for (size_t i = 0; i < modules; ++i) {
    const uint8_t module = symbol.moduleGrid[i];
    require(module == 0 || module == 1 || module == 6 || module == 7, "grid byte is 0, 1, 6 or 7");
    if (module & DM_MODULE_ASSIGNED) ++assigned;
  }
  require(assigned == 8u * symbol.totalCodewords, "every codeword placed exactly once");
  require(modules - assigned == 0 || modules - assigned == 4, "only the 2x2 corner is left to the fixed pattern");
}

// Module (x, y), x and y from -1, is drawn around file column and row
// 17 + 5 * index whatever band is shortened, so its centre pixel shows it.
void checkRaster(const RgbImage& image, const DmSymbol& symbol) {
  const int size = SymbolAttributes[symbol.sizeIndex].symbolSize;
  const uint32_t expectedSide = static_cast<uint32_t>(5 * size + 20);
  require(image.width == expectedSide && image.height == expectedSide, "raster is 5 x size + 20 square");
  require(image.pixels != nullptr, "raster allocated");
  const size_t bytes = static_cast<size_t>(image.width) * image.height * 3;
  for (size_t i = 0; i < bytes; i += 3) {
    const uint8_t v = image.pixels[i];
    require((v == 0 || v == 255) && image.pixels[i + 1] == v && image.pixels[i + 2] == v,
            "every pixel is black or white");
  }
  for (int y = -1; y < size - 1; ++y) {
    const uint32_t bufferRow = image.height - 1 - static_cast<uint32_t>(17 + 5 * y);
    for (int x = -1; x < size - 1; ++x) {
      const uint32_t column = static_cast<uint32_t>(17 + 5 * x);
      const bool dark = image.pixels[(static_cast<size_t>(bufferRow) * image.width + column) * 3] == 0;
      require(dark == dmSymbolModuleDark(symbol, x, y), "module centre shows the module's colour");
    }
  }
}

bool symbolCleared(const DmSymbol& symbol) {
  return symbol.sizeIndex == 0 && symbol.regionCount == 0 && symbol.gridRows == 0 && symbol.gridCols == 0 &&
         symbol.totalCodewords == 0 && symbol.padCount == 0 && symbol.codewords == nullptr &&
         symbol.moduleGrid == nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < HEADER_BYTES) return -1;
  const int32_t rawSize = static_cast<int16_t>(static_cast<uint16_t>(data[0] | (data[1] << 8)));
  const bool normalize = (data[2] & 1) != 0;
  const uint8_t* text = data + HEADER_BYTES;
  const int32_t length = static_cast<int32_t>(size - HEADER_BYTES);
  const int32_t requested = normalize ? dmNormalizeRequestedSize(rawSize) : rawSize;
  if (normalize) {
    require(requested == 0 || (requested > 0 && requested <= 144 && requested % 2 == 0),
            "normalised size is 0 or even in 2..144");
  }
  // The scan never reads past the text: a heap copy of exactly its bytes
  // lets AddressSanitizer see any overread.
  const std::vector<uint8_t> owned(text, text + length);
  const uint8_t* textBytes = owned.data();
  const int64_t streamLength = dmDataStreamLength(textBytes, length);

  DmEncoder* encoder = dmCreateEncoder(requested);
  require(requestedSize == requested, "the encoder stores the requested size");

  DmSymbol reference = {};
  dmBuildSymbol(&reference, textBytes, length);
  checkSymbol(reference, requested, streamLength);

  // A null path paints the raster and then writes nothing.
  require(dmEncode(encoder, textBytes, nullptr, length) == 0, "no file is reported for a null path");
  require(symbolCleared(encoder->symbol), "the pipeline frees and clears its symbol");
  checkRaster(encoder->image, reference);

  dmFreeSymbol(&reference);
  dmDestroyEncoder(&encoder);
  require(encoder == nullptr, "destroying the encoder nulls the pointer");
  return 0;
}
