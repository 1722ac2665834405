#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <dexmora/error.h>
#include <dexmora/notice.h>
#include <dexmora/render.h>

#include "render/render_parsers.h"
#include <dexmora/symbol.h>

namespace dexmora {

// The pixel geometry of a PNG drawn with rendering options: every module the
// same whole number of pixels.
struct PngGeometry {
  int modulePixels = kDefaultModulePixels;
  int quietPixels = 0;
  // Written as a pHYs chunk when --dpi is given (or implied by --xdim with --module).
  uint32_t pixelsPerMetre = 0;
  // Set when --dpi had to round the X-dimension by more than 10%.
  std::optional<Notice> notice;
};

// --module or round(xdim x dpi / 25.4 mm) (at least 1 pixel) per module,
// --quiet-zone modules of margin.
PngGeometry pngGeometry(const RenderSettings& settings);

// pngGeometry(), refused when the module size comes out above 100 pixels
// or the picture above settings.limits (PictureTooLarge), before any work.
Expected<PngGeometry> checkedPngGeometry(const Symbol& symbol, const RenderSettings& settings);

// First pixel of each of `count` modules along one side, then the end of the
// last: the spans a reader of the picture needs (see Raster::colStart).
std::vector<int> moduleStarts(int count, const PngGeometry& geometry);

// The symbol as the smallest PNG that holds its two colours: 1-bit greyscale
// for black and white, otherwise a 1-bit palette (with tRNS when a colour is
// not opaque). Two colours always fit a palette, so RGBA is never needed.
Expected<std::string> encodePngCompact(const Symbol& symbol, const PaintColours& colours,
                                       const PngGeometry& geometry);

}  // namespace dexmora
