#include "image/rasterizer.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "encoder/symbol_tables.h"
#include "image/png_writer.h"

namespace {

// The largest picture side the encoder makes: 5 x 144 + 20 pixels.
constexpr uint32_t MAX_RASTER_SIDE = 740;

// What the classification needs of a symbol, looked up once per picture.
struct DmSymbolLayout {
  int xMax;        // last module column: the right finder edge
  int yMax;        // last module row: the bottom finder edge
  int regionSize;  // data region side
  int period;      // region side plus its two alignment lines
  int gridCols;
  const uint8_t* grid;
};

DmSymbolLayout symbolLayout(const DmSymbol& symbol) {
  const int lines = dmAlignmentLines(symbol.regionCount);
  const int regionSize = SymbolAttributes[symbol.sizeIndex].regionSize;
  return {symbol.gridCols + lines, symbol.gridRows + lines, regionSize, regionSize + 2, symbol.gridCols,
          symbol.moduleGrid};
}

// The finder pattern, the alignment patterns and the data modules; the first
// matching rule wins, which decides where alignment lines cross.
inline bool moduleDark(const DmSymbolLayout& s, int x, int y) {
  if (x < -1 || x > s.xMax || y < -1 || y > s.yMax) return false;
  if (x == -1 || y == s.yMax) return true;
  if (y == -1) return (x & 1) != 0;
  if (x == s.xMax) return (y & 1) == 0;
  // From here 0 <= x < xMax and 0 <= y < yMax.
  const int yInPeriod = y % s.period;
  const int xInPeriod = x % s.period;
  if (yInPeriod == s.regionSize) return true;
  if (xInPeriod == s.regionSize + 1) return true;
  if (yInPeriod == s.regionSize + 1) return (x & 1) != 0;
  if (xInPeriod == s.regionSize) return (y & 1) == 0;
  // Each full period before this module holds two alignment lines.
  const int row = y - 2 * (y / s.period);
  const int col = x - 2 * (x / s.period);
  return (s.grid[static_cast<size_t>(row) * s.gridCols + col] & DM_MODULE_DARK) != 0;
}

// Half away from zero, applied to the stored single-precision value.
inline int roundToModule(float v) {
  const double shifted = v > 0 ? static_cast<double>(v) + 0.5 : static_cast<double>(v) - 0.5;
  return static_cast<int>(shifted);
}

// Pixel-to-module mapping: drop the quiet zone and the finder edge, scale one
// module per moduleSize pixels, and flip the vertical axis because buffer row
// 0 is the bottom of the picture while module rows count downward.
void buildTransform(DmEncoder& encoder, int yMax) {
  const float s = static_cast<float>(1.0 / encoder.moduleSize);
  const float border = static_cast<float>(-(encoder.quietZone + encoder.moduleSize));
  Matrix3 shift;
  Matrix3 scale;
  Matrix3 centre;
  matrix3Translation(&shift, border, border);
  matrix3Scaling(&scale, s, -s);
  matrix3Translation(&centre, -0.5f, static_cast<float>(yMax - 0.5));
  matrix3Multiply(&encoder.transform, &shift, &scale);
  matrix3MultiplyInPlace(&encoder.transform, &centre);
}

// The module (column, row) pixel (x, y) falls in, each pixel transformed
// from its own indices.
std::pair<int, int> transformToModule(const Matrix3& m, uint32_t x, uint32_t y) {
  const DmPoint in{static_cast<float>(x), static_cast<float>(y)};
  DmPoint out;
  matrix3TransformPoint(&out, &in, &m);
  return {roundToModule(out.x), roundToModule(out.y)};
}

}  // namespace

bool dmSymbolModuleDark(const DmSymbol& symbol, int x, int y) { return moduleDark(symbolLayout(symbol), x, y); }

int dmRenderImage(DmEncoder& encoder, const char* path) {
  const DmSymbolLayout layout = symbolLayout(encoder.symbol);
  buildTransform(encoder, layout.yMax);

  const RgbImage& image = encoder.image;
  const Matrix3& m = encoder.transform;
  // Without cross or projective terms a pixel's module column depends on x
  // alone and its module row on y alone: transforming (x, 0) and (0, y) gives
  // bit for bit the coordinates the transform of (x, y) gives, so one
  // transform per column and per row serves every pixel.
  const bool separable = m.m[1] == 0 && m.m[3] == 0 && m.m[2] == 0 && m.m[5] == 0 && m.m[8] == 1 &&
                         image.width <= MAX_RASTER_SIDE && image.height <= MAX_RASTER_SIDE;
  int columnModule[MAX_RASTER_SIDE];
  int rowModule[MAX_RASTER_SIDE];
  if (separable) {
    for (uint32_t x = 0; x < image.width; ++x) columnModule[x] = transformToModule(m, x, 0).first;
    for (uint32_t y = 0; y < image.height; ++y) rowModule[y] = transformToModule(m, 0, y).second;
  }

  uint8_t* pixel = image.pixels;
  // Neighbouring pixels mostly share a module; remember the last verdict.
  int lastX = layout.xMax + 2;
  int lastY = layout.yMax + 2;
  bool lastDark = false;
  const size_t rowBytes = static_cast<size_t>(image.width) * 3;
  for (uint32_t y = 0; y < image.height; ++y) {
    if (separable && y > 0 && rowModule[y] == rowModule[y - 1]) {
      // Same module row as the row below: the same pixels.
      std::memcpy(pixel, pixel - rowBytes, rowBytes);
      pixel += rowBytes;
      continue;
    }
    for (uint32_t x = 0; x < image.width; ++x) {
      const std::pair<int, int> module =
          separable ? std::make_pair(columnModule[x], rowModule[y]) : transformToModule(m, x, y);
      if (module.first != lastX || module.second != lastY) {
        lastX = module.first;
        lastY = module.second;
        lastDark = moduleDark(layout, lastX, lastY);
      }
      const uint8_t value = lastDark ? 0 : 255;
      pixel[0] = value;
      pixel[1] = value;
      pixel[2] = value;
      pixel += 3;
    }
  }
  return dmSavePng(path, image);
}
