#pragma once

#include <string>

#include <dexmora/error.h>
#include "render/raster.h"

namespace dexmora {

// The raster as an 8-bit RGB PNG with libpng's defaults: signature, IHDR,
// IDAT and IEND, no other chunk. The bytes are those the first release wrote.
Expected<std::string> encodePngRgb(const Raster& raster);

}  // namespace dexmora
