#pragma once

#include <cstddef>
#include <cstdint>

#include "render/matrix3.h"

namespace dexmora {

// The pixel-to-module mapping of the first release's picture: drop the
// quiet zone and the finder edge, scale one module per `moduleSize` pixels,
// and flip the vertical axis, since buffer row 0 is the bottom of the
// picture while module rows count downward from the top finder edge (-1).
Matrix3 pictureTransform(int moduleSize, int quietZone, int symbolRows);

// The module (column, row) pixel (x, y) falls in, counted from -1 at the
// left and top finder edges: the transform of the pixel's own indices,
// rounded half away from zero.
void transformToModule(const Matrix3& transform, uint32_t x, uint32_t y, int& column, int& row);

// Paints every pixel of a width x height RGB picture through `transform`:
// the pixel (x, y) -- y counted from the bottom -- shows module (column,
// row) of `modules` (rows x cols bytes, 1 = dark, top row first) that the
// transform maps it to, black when dark, white when light or outside.
// Buffer row y starts at bottomRow + y * rowStride, so the caller chooses
// the order of rows in memory.
void paintThroughTransform(const Matrix3& transform, const uint8_t* modules, int rows, int cols, uint32_t width,
                           uint32_t height, uint8_t* bottomRow, std::ptrdiff_t rowStride);

}  // namespace dexmora
