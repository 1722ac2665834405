#pragma once

#include <png.h>

#include <csetjmp>

#include "classic/rgb_image.h"

// The try context of dmSavePng and dmPngError: frames nest as a chain
// through currentFrame, which is null outside a caller's own frame.
struct DmPngTryContext {
  std::jmp_buf* currentFrame;
  int caught;                 // 1 when the last save ended by a throw
  const char* thrownMessage;  // not owned
};

extern DmPngTryContext pngTryContext;

// Writes `image` as an 8-bit RGB PNG to `path`, bottom buffer row last,
// through the library's PNG encoder and file writer: a temporary beside
// `path` replaces it only once complete, so a failed save leaves the
// previous file untouched. A libpng error prints "libpng error: <message>";
// an exhausted row-pointer array throws "dmSavePng: Out of memory". Returns
// 1 when written, 0 otherwise (errno then holds the system's reason where
// there is one).
int dmSavePng(const char* path, const RgbImage& image);

// libpng's error, as the first release reported it: prints "libpng error:
// <message>" on stderr, records the message and jumps to the active try
// frame; with no frame active it returns.
void dmPngError(png_structp png, png_const_charp message);
