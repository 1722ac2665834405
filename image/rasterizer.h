#pragma once

#include "encoder/encode_job.h"

// Whether module (x, y) of the finished symbol is dark: x and y run from -1
// (left/top finder edge) to gridCols + alignment lines (right/bottom edge).
// Covers the finder pattern, alignment patterns and data modules; outside
// the symbol it is light (quiet zone).
bool dmSymbolModuleDark(const DmSymbol& symbol, int x, int y);

// Paints every pixel of encoder.image through the pixel-to-module transform
// (which it stores in encoder.transform), then writes the raster with
// dmSavePng and returns its result (1 written, 0 not).
int dmRenderImage(DmEncoder& encoder, const char* path);
