#pragma once

#include <string>

#include <dexmora/symbol.h>
#include <dexmora/render.h>

namespace dexmora {

// The symbol as an SVG document: a viewBox in modules (quiet zone included),
// a background rectangle unless the background is transparent, and all dark
// modules as one path of merged rectangles. Width and height are in mm when
// an X-dimension is given, else in pixels at the module size.
std::string renderSvg(const Symbol& symbol, const RenderSettings& settings);

}  // namespace dexmora
