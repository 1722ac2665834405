#include "render/raster.h"

#include <algorithm>

#include "render/png_compact.h"
#include "render/transform_raster.h"

namespace dexmora {

namespace {

// The first release drew five-pixel modules in a ten-pixel margin.
constexpr int DEFAULT_QUIET_PIXELS = 2 * kDefaultModulePixels;

// Where each module column (or row) starts, from the module each pixel
// column (or row) shows: the first pixel of module k, then the end of the
// last one. The quiet zone shows modules outside 0..count-1.
std::vector<int> spanStarts(const std::vector<int>& moduleOfPixel, int count) {
  std::vector<int> starts(static_cast<size_t>(count) + 1, -1);
  for (size_t p = 0; p < moduleOfPixel.size(); ++p) {
    const int module = moduleOfPixel[p];
    if (module >= 0 && module < count && starts[static_cast<size_t>(module)] < 0) {
      starts[static_cast<size_t>(module)] = static_cast<int>(p);
    }
    if (module == count - 1) starts[static_cast<size_t>(count)] = static_cast<int>(p) + 1;
  }
  return starts;
}

}  // namespace

Raster rasterizeThroughTransform(const Symbol& symbol) {
  Raster raster;
  raster.width = static_cast<uint32_t>(defaultPictureSide(symbol.cols()));
  raster.height = static_cast<uint32_t>(defaultPictureSide(symbol.rows()));
  const size_t rowBytes = static_cast<size_t>(raster.width) * 3;
  raster.rgb.resize(rowBytes * raster.height);
  const Matrix3 transform = pictureTransform(kDefaultModulePixels, DEFAULT_QUIET_PIXELS, symbol.rows());
  // The transform counts rows from the bottom; the raster stores the top first.
  paintThroughTransform(transform, symbol.modules().data(), symbol.rows(), symbol.cols(), raster.width, raster.height,
                        raster.rgb.data() + (raster.height - 1) * rowBytes, -static_cast<std::ptrdiff_t>(rowBytes));

  std::vector<int> columnModule(raster.width);
  std::vector<int> rowModule(raster.height);
  int unused = 0;
  for (uint32_t x = 0; x < raster.width; ++x) {
    transformToModule(transform, x, 0, columnModule[x], unused);
    ++columnModule[x];  // symbol columns count from 0 at the finder edge
  }
  for (uint32_t y = 0; y < raster.height; ++y) {
    transformToModule(transform, 0, raster.height - 1 - y, unused, rowModule[y]);
    ++rowModule[y];
  }
  raster.colStart = spanStarts(columnModule, symbol.cols());
  raster.rowStart = spanStarts(rowModule, symbol.rows());
  return raster;
}

Raster rasterizeExact(const Symbol& symbol, int modulePixels, int quietPixels) {
  Raster raster;
  raster.width = static_cast<uint32_t>(modulePixels * symbol.cols() + 2 * quietPixels);
  raster.height = static_cast<uint32_t>(modulePixels * symbol.rows() + 2 * quietPixels);
  const size_t rowBytes = static_cast<size_t>(raster.width) * 3;
  raster.rgb.assign(rowBytes * raster.height, 255);
  for (int y = 0; y < symbol.rows(); ++y) {
    uint8_t* row = raster.rgb.data() + static_cast<size_t>(quietPixels + y * modulePixels) * rowBytes;
    for (int x = 0; x < symbol.cols(); ++x) {
      if (!symbol.isDark(x, y)) continue;
      uint8_t* pixel = row + static_cast<size_t>(quietPixels + x * modulePixels) * 3;
      std::fill(pixel, pixel + static_cast<size_t>(modulePixels) * 3, uint8_t{0});
    }
    for (int k = 1; k < modulePixels; ++k) std::copy(row, row + rowBytes, row + static_cast<size_t>(k) * rowBytes);
  }
  for (int x = 0; x <= symbol.cols(); ++x) raster.colStart.push_back(quietPixels + x * modulePixels);
  for (int y = 0; y <= symbol.rows(); ++y) raster.rowStart.push_back(quietPixels + y * modulePixels);
  return raster;
}

Raster rasterizeDefault(const Symbol& symbol) {
  // Drawn through the transform, a long 8-row symbol loses a pixel row in one
  // module row and some readers fail on it; only the squares keep that path.
  if (symbol.size().kind == SizeKind::Square) return rasterizeThroughTransform(symbol);
  return rasterizeExact(symbol, kDefaultModulePixels, DEFAULT_QUIET_PIXELS);
}

ModuleSpans pngModuleSpans(const Symbol& symbol, const RenderSettings& settings) {
  if (!settings.exact()) {
    Raster raster = rasterizeDefault(symbol);
    return {std::move(raster.colStart), std::move(raster.rowStart)};
  }
  const PngGeometry geometry = pngGeometry(settings);
  return {moduleStarts(symbol.cols(), geometry), moduleStarts(symbol.rows(), geometry)};
}

uint64_t defaultPictureSide(int modules) {
  return static_cast<uint64_t>(kDefaultModulePixels) * static_cast<uint64_t>(modules) + 2 * DEFAULT_QUIET_PIXELS;
}

Expected<void> checkPictureSize(uint64_t width, uint64_t height, const PictureLimits& limits) {
  if (width <= limits.maxSide && height <= limits.maxSide && width * height <= limits.maxPixels) return {};
  return Error(ErrorCode::PictureTooLarge, "picture too large: " + std::to_string(width) + "x" + std::to_string(height) +
                                               " pixels; the limit is " + std::to_string(limits.maxSide) +
                                               " pixels a side and " + std::to_string(limits.maxPixels) + " in all");
}

}  // namespace dexmora
