#include "render/terminal_text.h"

#include "render/settings_in_force.h"

namespace dexmora {

namespace {

constexpr char UPPER_HALF[] = "\u2580";
constexpr char LOWER_HALF[] = "\u2584";
constexpr char FULL_BLOCK[] = "\u2588";

const char* cell(bool upperLit, bool lowerLit) {
  if (upperLit && lowerLit) return FULL_BLOCK;
  if (upperLit) return UPPER_HALF;
  if (lowerLit) return LOWER_HALF;
  return " ";
}

}  // namespace

std::string renderTerminalText(const Symbol& symbol, const RenderSettings& settings) {
  const int quiet = quietZoneOf(settings);
  const int width = symbol.cols() + 2 * quiet;
  const int height = symbol.rows() + 2 * quiet;
  // A module is lit when it is light, or when it is dark under --invert.
  const bool invert = invertOf(settings);
  const auto lit = [&](int x, int y) { return symbol.isDark(x - quiet, y - quiet) == invert; };
  std::string text;
  for (int y = 0; y < height; y += 2) {
    for (int x = 0; x < width; ++x) text += cell(lit(x, y), y + 1 < height && lit(x, y + 1));
    text += '\n';
  }
  return text;
}

}  // namespace dexmora
