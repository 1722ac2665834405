#pragma once

#include <cstdint>

#include <dexmora/symbol.h>

// An RGB raster: three bytes R, G, B per pixel, rows packed with no padding.
// Buffer row 0 is the bottom row of the written picture.
struct RgbImage {
  uint32_t width;
  uint32_t height;
  uint8_t* pixels;  // owned by whoever holds the image (the encoder)
  // The symbol the pixels show, whose picture dmSavePng writes; set by
  // dmRenderImage, not owned: it belongs to the DmSymbol it came from.
  const dexmora::Symbol* symbol;
};
