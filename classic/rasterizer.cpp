#include "classic/rasterizer.h"

#include <vector>

#include "classic/png_writer.h"
#include "core/placement.h"
#include "render/transform_raster.h"

int dmRenderImage(DmEncoder& encoder, const char* path) {
  const DmSymbol& symbol = encoder.symbol;
  const dexmora::SymbolSize& size = dexmora::SYMBOL_SIZES[symbol.sizeIndex];
  encoder.transform = dexmora::pictureTransform(encoder.moduleSize, encoder.quietZone, size.rows);
  const std::vector<uint8_t> modules = dexmora::frameModules(size, symbol.moduleGrid);
  const RgbImage& image = encoder.image;
  dexmora::paintThroughTransform(encoder.transform, modules.data(), size.rows, size.cols, image.width, image.height,
                                 image.pixels, static_cast<std::ptrdiff_t>(image.width) * 3);
  return dmSavePng(path, image);
}
