#pragma once

#include <csetjmp>

#include "encode_job.h"
#include "rgb_image.h"

// The try context of dmSavePng and dmPngError: frames nest as a chain
// through currentFrame, which is null outside a caller's own frame.
struct DmPngTryContext {
  std::jmp_buf* currentFrame;
  int caught;                 // 1 when the last save ended by a throw
  const char* thrownMessage;  // not owned
};

extern DmPngTryContext pngTryContext;

// Sets encoder.transform to the first release's pixel-to-module mapping,
// paints every pixel of encoder.image with the module of the finished
// symbol it maps to, and writes the picture with dmSavePng, returning its
// result (1 written, 0 not). Without a finished symbol nothing is painted:
// 0, errno EINVAL.
int dmRenderImage(DmEncoder& encoder, const char* path);

// Writes the library's PNG of image.symbol to `path`: the first release's
// picture byte for byte (8-bit RGB, the raster's rows top row first), through
// a temporary beside `path` that replaces it only once complete, so a failed
// save leaves the previous file untouched. Returns 1 when written, 0
// otherwise with errno set: EINVAL for a null path or a raster that shows no
// symbol (only symbols' pictures are encoded), else the system's reason. A
// rendering out of memory throws "dmSavePng: Out of memory"; one the image
// library refuses prints "libpng error: <message>" and throws that message.
int dmSavePng(const char* path, const RgbImage& image);

// libpng's error, as the first release reported it: prints "libpng error:
// <message>" on stderr, records the message and jumps to the active try
// frame; with no frame active it returns.
void dmPngError(void* png, const char* message);
