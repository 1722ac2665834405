#include "render/transform_raster.h"

#include <cstring>
#include <vector>

namespace dexmora {

namespace {

// Half away from zero, applied to the stored single-precision value.
inline int roundToModule(float v) {
  const double shifted = v > 0 ? static_cast<double>(v) + 0.5 : static_cast<double>(v) - 0.5;
  return static_cast<int>(shifted);
}

// Module (x, y) counted from -1 at the left and top finder edges.
inline bool moduleDark(const uint8_t* modules, int rows, int cols, int x, int y) {
  if (x < -1 || y < -1 || x > cols - 2 || y > rows - 2) return false;
  return modules[static_cast<size_t>(y + 1) * static_cast<size_t>(cols) + static_cast<size_t>(x + 1)] != 0;
}

}  // namespace

Matrix3 pictureTransform(int moduleSize, int quietZone, int symbolRows) {
  const int yMax = symbolRows - 2;
  const float s = static_cast<float>(1.0 / moduleSize);
  const float border = static_cast<float>(-(quietZone + moduleSize));
  Matrix3 shift;
  Matrix3 scale;
  Matrix3 centre;
  Matrix3 transform;
  matrix3Translation(&shift, border, border);
  matrix3Scaling(&scale, s, -s);
  matrix3Translation(&centre, -0.5f, static_cast<float>(yMax - 0.5));
  matrix3Multiply(&transform, &shift, &scale);
  matrix3MultiplyInPlace(&transform, &centre);
  return transform;
}

void transformToModule(const Matrix3& transform, uint32_t x, uint32_t y, int& column, int& row) {
  const DmPoint in{static_cast<float>(x), static_cast<float>(y)};
  DmPoint out;
  matrix3TransformPoint(&out, &in, &transform);
  column = roundToModule(out.x);
  row = roundToModule(out.y);
}

void paintThroughTransform(const Matrix3& m, const uint8_t* modules, int rows, int cols, uint32_t width,
                           uint32_t height, uint8_t* bottomRow, std::ptrdiff_t rowStride) {
  // Without cross or projective terms a pixel's module column depends on x
  // alone and its module row on y alone: transforming (x, 0) and (0, y) gives
  // bit for bit the coordinates the transform of (x, y) gives, so one
  // transform per column and per row serves every pixel.
  const bool separable = m.m[1] == 0 && m.m[3] == 0 && m.m[2] == 0 && m.m[5] == 0 && m.m[8] == 1;
  std::vector<int> columnModule;
  std::vector<int> rowModule;
  if (separable) {
    columnModule.resize(width);
    rowModule.resize(height);
    int unused = 0;
    for (uint32_t x = 0; x < width; ++x) transformToModule(m, x, 0, columnModule[x], unused);
    for (uint32_t y = 0; y < height; ++y) transformToModule(m, 0, y, unused, rowModule[y]);
  }

  // Neighbouring pixels mostly share a module; remember the last verdict.
  int lastX = cols + 2;
  int lastY = rows + 2;
  bool lastDark = false;
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* pixel = bottomRow + static_cast<std::ptrdiff_t>(y) * rowStride;
    if (separable && y > 0 && rowModule[y] == rowModule[y - 1]) {
      // Same module row as the row below: the same pixels.
      std::memcpy(pixel, pixel - rowStride, rowBytes);
      continue;
    }
    for (uint32_t x = 0; x < width; ++x) {
      int moduleX = 0;
      int moduleY = 0;
      if (separable) {
        moduleX = columnModule[x];
        moduleY = rowModule[y];
      } else {
        transformToModule(m, x, y, moduleX, moduleY);
      }
      if (moduleX != lastX || moduleY != lastY) {
        lastX = moduleX;
        lastY = moduleY;
        lastDark = moduleDark(modules, rows, cols, lastX, lastY);
      }
      const uint8_t value = lastDark ? 0 : 255;
      pixel[0] = value;
      pixel[1] = value;
      pixel[2] = value;
      pixel += 3;
    }
  }
}

}  // namespace dexmora
