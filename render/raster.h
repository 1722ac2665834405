#pragma once

#include <cstdint>
#include <vector>

#include <dexmora/error.h>
#include <dexmora/render.h>
#include <dexmora/symbol.h>

namespace dexmora {

// An 8-bit RGB picture, three bytes per pixel, top row first, rows packed,
// with the pixel span of every module column and row so that a reader of
// the picture (verification) knows where each module lies.
struct Raster {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgb;
  // colStart[x] is the first pixel column of module column x (0..cols-1);
  // colStart[cols] ends the last one. The same for rows, top first.
  std::vector<int> colStart;
  std::vector<int> rowStart;
};

// Where each module lies in a picture: colStart[x] is the first pixel column
// of module column x and colStart[cols] ends the last (Raster's convention);
// every pixel outside the spans is quiet zone.
struct ModuleSpans {
  std::vector<int> colStart;
  std::vector<int> rowStart;
};

// The spans of the PNG that render() draws of `symbol` with `settings`
// (which must have passed checkRenderSettings).
ModuleSpans pngModuleSpans(const Symbol& symbol, const RenderSettings& settings);

// Pixels along a side of `modules` modules in the first release's picture.
uint64_t defaultPictureSide(int modules);

// PictureTooLarge when a width x height picture exceeds `limits`.
Expected<void> checkPictureSize(uint64_t width, uint64_t height, const PictureLimits& limits);

// The first release's picture of a square symbol: five-pixel modules in a
// ten-pixel margin, every pixel mapped to its module through the
// pixel-to-module transform, so that the left finder column and one module
// row are four pixels and the margins 11 and 10 pixels.
Raster rasterizeThroughTransform(const Symbol& symbol);

// Exact integer geometry: every module `modulePixels` square and a quiet zone
// of `quietPixels` on every side, dark black and light white.
Raster rasterizeExact(const Symbol& symbol, int modulePixels, int quietPixels);

// The default picture for any size: the transform geometry for the 24
// squares, exact 5-pixel modules in a 10-pixel margin for the rectangles and
// DMRE sizes.
Raster rasterizeDefault(const Symbol& symbol);

}  // namespace dexmora
