#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include <dexmora/symbol.h>
#include <dexmora/render.h>

#include "render/render_parsers.h"

namespace dexmora {

// A rectangle of dark modules in symbol coordinates (column x, row y from the
// top left, quiet zone excluded), `width` x `height` modules.
struct ModuleRect {
  int x;
  int y;
  int width;
  int height;
};

// The dark modules as rectangles that cover each exactly once: every
// horizontal run of dark modules, stacked with the identical runs directly
// below it. Vector outputs fill them as one path, so shared edges carry the
// same coordinates and leave no seam.
std::vector<ModuleRect> darkRectangles(const Symbol& symbol);

// `value` with at most four decimals, trailing zeros and point trimmed, '.'
// whatever the locale: 1/10000 pt is far below any output device's step.
std::string formatNumber(double value);

// The operator line that sets `colour` for filling: "G <grey>" when it is a
// grey (DeviceGray, so black is "0 <grey>"), else "R G B <rgb>".
std::string colourOperator(const Colour& colour, const char* grey, const char* rgb);

inline constexpr double POINTS_PER_MM = 72.0 / 25.4;

// A page for print: the symbol and its quiet zone at the X-dimension, in
// points, y upwards from the bottom left as PDF and PostScript count.
class PrintPage {
 public:
  PrintPage(const Symbol& symbol, int quietZone, double xdimMm);

  double width() const { return edge(m_widthModules); }
  double height() const { return edge(m_heightModules); }
  // The left edge of module column `x` and the top edge of module row `y`,
  // in symbol coordinates; one formula for every edge keeps shared edges equal.
  std::string left(int x) const { return formatNumber(edge(x + m_quietZone)); }
  std::string top(int y) const { return formatNumber(edge(m_heightModules - m_quietZone - y)); }
  // The matrix (a b c d e f) that maps symbol coordinates, in modules with y
  // downwards, onto the page: a module's corners are then whole numbers.
  std::array<double, 6> symbolToPage() const {
    return {m_pointsPerModule, 0, 0, -m_pointsPerModule, edge(m_quietZone), edge(m_heightModules - m_quietZone)};
  }

 private:
  double edge(int modules) const { return modules * m_pointsPerModule; }

  int m_widthModules;
  int m_heightModules;
  int m_quietZone;
  double m_pointsPerModule;
};

// Print has no transparency: a colour with alpha is flattened onto what lies
// below it (the light colour onto white paper, the dark onto the light).
PaintColours printColours(const PaintColours& colours);

}  // namespace dexmora
