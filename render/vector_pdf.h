#pragma once

#include <string>

#include <dexmora/symbol.h>
#include <dexmora/render.h>

namespace dexmora {

// The symbol as a one-page PDF whose page is exactly the symbol plus its
// quiet zone at the X-dimension (kDefaultXdimMm, 0.5 mm, when none is given).
// The dark modules are one path of abutting rectangles, in module units
// under one `cm`, filled in DeviceGray black (`0 g`) or the colour given; the
// background is painted unless it is transparent. Alpha is flattened onto
// white paper (see printColours). The page content is deflated
// (/FlateDecode). No date or ID is written, so the same symbol always gives
// the same bytes.
std::string renderPdf(const Symbol& symbol, const RenderSettings& settings);

}  // namespace dexmora
