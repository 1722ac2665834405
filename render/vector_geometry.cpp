#include "render/vector_geometry.h"

#include <charconv>

namespace dexmora {

namespace {

// Length of the dark run starting at (x, y) when a run starts there, else 0.
int runStartingAt(const Symbol& symbol, int x, int y) {
  if (!symbol.isDark(x, y) || symbol.isDark(x - 1, y)) return 0;
  int end = x;
  while (symbol.isDark(end, y)) ++end;
  return end - x;
}

}  // namespace

std::vector<ModuleRect> darkRectangles(const Symbol& symbol) {
  const int rows = symbol.rows();
  const int cols = symbol.cols();
  // covered[y * cols + x]: the run starting there already joined a rectangle above.
  std::vector<bool> covered(static_cast<size_t>(rows) * static_cast<size_t>(cols), false);
  std::vector<ModuleRect> rects;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < cols; ++x) {
      const int width = runStartingAt(symbol, x, y);
      if (width == 0 || covered[static_cast<size_t>(y) * cols + x]) continue;
      int height = 1;
      while (y + height < rows && runStartingAt(symbol, x, y + height) == width) {
        covered[static_cast<size_t>(y + height) * cols + x] = true;
        ++height;
      }
      rects.push_back({x, y, width, height});
      x += width - 1;
    }
  }
  return rects;
}

std::string formatNumber(double value) {
  char text[32];
  char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4).ptr;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  std::string result(text, end);
  return result == "-0" ? "0" : result;
}

PrintPage::PrintPage(const Symbol& symbol, int quietZone, double xdimMm)
    : m_widthModules(symbol.cols() + 2 * quietZone),
      m_heightModules(symbol.rows() + 2 * quietZone),
      m_quietZone(quietZone),
      m_pointsPerModule(xdimMm * POINTS_PER_MM) {}

PaintColours printColours(const PaintColours& colours) {
  const Colour light = flattenOnto(colours.light, kWhite);
  return {flattenOnto(colours.dark, light), light};
}

std::string colourOperator(const Colour& colour, const char* grey, const char* rgb) {
  if (colour.grey()) return formatNumber(colour.r / 255.0) + ' ' + grey + '\n';
  return formatNumber(colour.r / 255.0) + ' ' + formatNumber(colour.g / 255.0) + ' ' +
         formatNumber(colour.b / 255.0) + ' ' + rgb + '\n';
}

}  // namespace dexmora
