#include "render/svg.h"

#include "render/settings_in_force.h"
#include "render/vector_geometry.h"

namespace dexmora {

namespace {

std::string paintAttributes(const Colour& colour) {
  std::string text = "fill=\"" + hexColour(colour) + "\"";
  if (!colour.opaque()) text += " fill-opacity=\"" + formatNumber(colour.a / 255.0) + "\"";
  return text;
}

std::string pathData(const Symbol& symbol, int quietZone) {
  std::string d;
  for (const ModuleRect& rect : darkRectangles(symbol)) {
    const std::string width = std::to_string(rect.width);
    d += 'M' + std::to_string(rect.x + quietZone) + ' ' + std::to_string(rect.y + quietZone) + 'h' + width + 'v' +
         std::to_string(rect.height) + "h-" + width + 'z';
  }
  return d;
}

std::string outerSize(int modules, const RenderSettings& settings) {
  if (settings.xdimMm()) return formatNumber(modules * *settings.xdimMm()) + "mm";
  return std::to_string(modules * settings.modulePixels().value_or(kDefaultModulePixels));
}

}  // namespace

std::string renderSvg(const Symbol& symbol, const RenderSettings& settings) {
  const PaintColours colours = paintColours(settings);
  const int width = symbol.cols() + 2 * quietZoneOf(settings);
  const int height = symbol.rows() + 2 * quietZoneOf(settings);
  const std::string w = std::to_string(width);
  const std::string h = std::to_string(height);
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" viewBox=\"0 0 " + w + ' ' + h + "\" width=\"" +
         outerSize(width, settings) + "\" height=\"" + outerSize(height, settings) +
         "\" shape-rendering=\"crispEdges\">\n";
  if (!colours.light.transparent()) {
    svg += "<rect width=\"" + w + "\" height=\"" + h + "\" " + paintAttributes(colours.light) + "/>\n";
  }
  svg += "<path " + paintAttributes(colours.dark) + " d=\"" + pathData(symbol, quietZoneOf(settings)) + "\"/>\n";
  svg += "</svg>\n";
  return svg;
}

}  // namespace dexmora
