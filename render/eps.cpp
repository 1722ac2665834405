#include "render/eps.h"

#include <cmath>

#include "render/settings_in_force.h"
#include "render/vector_geometry.h"

namespace dexmora {

namespace {

std::string setColour(const Colour& colour) { return colourOperator(colour, "setgray", "setrgbcolor"); }

// R takes left bottom right top and adds that closed rectangle to the path;
// its own dictionary keeps the names out of the including document's.
constexpr char PROLOG[] =
    "5 dict begin\n"
    "/R { /t exch def /r exch def /b exch def /l exch def\n"
    "  l b moveto r b lineto r t lineto l t lineto closepath } bind def\n";

std::string header(const PrintPage& page) {
  const std::string width = formatNumber(page.width());
  const std::string height = formatNumber(page.height());
  return "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: dexmora\n%%BoundingBox: 0 0 " +
         std::to_string(static_cast<long>(std::ceil(page.width()))) + ' ' +
         std::to_string(static_cast<long>(std::ceil(page.height()))) + "\n%%HiResBoundingBox: 0 0 " + width + ' ' +
         height + "\n%%LanguageLevel: 1\n%%EndComments\n";
}

}  // namespace

std::string renderEps(const Symbol& symbol, const RenderSettings& settings) {
  const PrintPage page(symbol, quietZoneOf(settings), xdimMmOf(settings));
  const PaintColours colours = printColours(paintColours(settings));
  std::string eps = header(page) + "save\n" + PROLOG;
  if (!paintColours(settings).light.transparent()) {
    eps += setColour(colours.light) + "newpath 0 0 " + formatNumber(page.width()) + ' ' +
           formatNumber(page.height()) + " R fill\n";
  }
  eps += setColour(colours.dark) + "newpath\n";
  for (const ModuleRect& rect : darkRectangles(symbol)) {
    eps += page.left(rect.x) + ' ' + page.top(rect.y + rect.height) + ' ' + page.left(rect.x + rect.width) + ' ' +
           page.top(rect.y) + " R\n";
  }
  eps += "fill\nend\nrestore\nshowpage\n%%EOF\n";
  return eps;
}

}  // namespace dexmora
