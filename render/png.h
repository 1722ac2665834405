#pragma once

#include <cstdint>
#include <string>

#include <dexmora/error.h>

#include "render/raster.h"

namespace dexmora {

// How the caller of encodePngRgbRows takes part in a write. Both are plain
// function pointers: they run inside libpng's frames and must not throw or jump.
struct PngRgbHooks {
  // The row pointers, top row first, asked for once the header is written;
  // null stops the write, with `*failure` naming why.
  const uint8_t* const* (*rows)(void* context, const char** failure);
  // Told libpng's message before the write stops on a libpng error; may be null.
  void (*onLibpngError)(void* context, const char* message);
  // Takes the bytes as libpng makes them, so that a file, a stream and
  // memory share one encoder; false stops the write with libpng's "Write
  // Error". Null: the bytes are returned.
  bool (*write)(void* context, const uint8_t* data, size_t size);
  void* context;
};

// A width x height 8-bit RGB PNG with libpng's defaults: signature, IHDR,
// IDAT and IEND, no other chunk, the bytes the first release wrote; empty
// when hooks.write took them. Errors: OutOfMemory, or RenderFailed with
// libpng's message or the rows' failure.
Expected<std::string> encodePngRgbRows(uint32_t width, uint32_t height, const PngRgbHooks& hooks);

// encodePngRgbRows of the raster's rows.
Expected<std::string> encodePngRgb(const Raster& raster);

}  // namespace dexmora
