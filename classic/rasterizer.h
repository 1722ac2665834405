#pragma once

#include "classic/encode_job.h"

// Paints every pixel of encoder.image through the pixel-to-module transform
// (which it stores in encoder.transform), then writes the raster with
// dmSavePng and returns its result (1 written, 0 not).
int dmRenderImage(DmEncoder& encoder, const char* path);
