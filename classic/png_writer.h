#pragma once

#include <png.h>

#include <csetjmp>

#include "classic/rgb_image.h"

// The try context shared by dmSavePng and its libpng error callback: frames
// nest as a chain through currentFrame, which is null outside a save.
struct DmPngTryContext {
  std::jmp_buf* currentFrame;
  int caught;                 // 1 when the last guarded block ended by a throw
  const char* thrownMessage;  // not owned
};

extern DmPngTryContext pngTryContext;

// Writes `image` as an 8-bit RGB PNG to `path`, bottom buffer row last.
// The picture goes to a temporary file beside `path` that replaces `path`
// only once it is complete and closed, so a failed save leaves the previous
// file untouched. Returns 1 when written, 0 otherwise (errno then holds the
// system's reason where there is one).
int dmSavePng(const char* path, const RgbImage& image);

// libpng error callback: prints "libpng error: <message>" on stderr and
// jumps to the active try frame; with no frame active it returns to libpng.
void dmPngError(png_structp png, png_const_charp message);
