#pragma once

#include <string>

#include <dexmora/symbol.h>
#include <dexmora/render.h>

namespace dexmora {

// The symbol as an EPS file (level 1 PostScript) whose bounding box is the
// symbol plus its quiet zone at the X-dimension (kDefaultXdimMm, 0.5 mm, when
// none is given): the dark modules as one path filled with `0 setgray` or the
// colour given, the background painted unless transparent, alpha flattened
// onto white paper. Deterministic: no creation date.
std::string renderEps(const Symbol& symbol, const RenderSettings& settings);

}  // namespace dexmora
