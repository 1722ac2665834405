#pragma once

#include <cstdint>

// An RGB raster: three bytes R, G, B per pixel, rows packed with no padding.
// Buffer row 0 is the bottom row of the written picture.
struct RgbImage {
  uint32_t width;
  uint32_t height;
  uint8_t* pixels;  // owned by whoever holds the image (the encoder)
};
