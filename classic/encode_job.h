#pragma once

#include <cstdint>

#include "matrix3.h"
#include "rgb_image.h"
#include "symbol.h"

// One encode job: fixed drawing settings, the raster, the pixel-to-module
// transform and the symbol being built.
struct DmEncoder {
  int32_t moduleSize;  // module edge in pixels, always 5
  int32_t quietZone;   // light margin on each side in pixels, always 10
  RgbImage image;      // owned pixel buffer, allocated by dmEncode
  Matrix3 transform;   // identity at creation; replaced by dmRenderImage
  DmSymbol symbol;
};

// Symbol side the last created encoder asked for; 0 chooses automatically.
// Read by dmEncodeData.
extern int32_t requestedSize;

// Allocates a cleared encoder with the fixed settings and stores
// `requested` in requestedSize. Ends the process with status 3 when the
// record cannot be allocated.
DmEncoder* dmCreateEncoder(int32_t requested);

// Frees the encoder and its pixel buffer and nulls the caller's pointer;
// a null encoder is a no-op.
void dmDestroyEncoder(DmEncoder** encoder);

// The whole pipeline: builds the symbol, allocates and renders the raster,
// writes it to `path` and frees the symbol. Returns 1 when the picture was
// written and 0 when it was not (errno then holds the reason; EINVAL for a
// text dmEncodeData refuses, which leaves no raster).
int dmEncode(DmEncoder* encoder, const uint8_t* text, const char* path, int32_t length);

// The single entry for the dialog: encodes at most the first 12 bytes of the
// zero-terminated `text` at the requested size and writes the picture to
// `path`. Returns 0 when the picture was written, non-zero when it was not
// (errno then holds the system's reason where there is one, EINVAL for an
// empty text, which the library refuses).
int dmEncodeToFile(int requested, const char* text, const char* path);
