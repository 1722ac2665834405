#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/expected.h"

namespace dexmora {

struct Colour {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  uint8_t a = 255;

  bool opaque() const { return a == 255; }
  bool transparent() const { return a == 0; }
  bool grey() const { return r == g && g == b; }
  friend bool operator==(const Colour& x, const Colour& y) {
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
  }
  friend bool operator!=(const Colour& x, const Colour& y) { return !(x == y); }
};

inline constexpr Colour BLACK{0, 0, 0, 255};
inline constexpr Colour WHITE{255, 255, 255, 255};

// The X-dimension vector output uses when none is given: 0.5 mm is in the
// middle of the range printers and handheld scanners are specified for.
inline constexpr double DEFAULT_XDIM_MM = 0.5;
// Pixels per module of a PNG when neither --module nor --dpi says otherwise.
inline constexpr int DEFAULT_MODULE_PIXELS = 5;
// The quiet zone of every non-default rendering, in modules.
inline constexpr int DEFAULT_QUIET_ZONE = 2;

// Every rendering option, as given; resolve with the functions below.
struct RenderSettings {
  std::optional<int> modulePixels;  // --module
  std::optional<double> xdimMm;     // --xdim, in millimetres
  std::optional<int> dpi;           // --dpi
  int quietZone = DEFAULT_QUIET_ZONE;
  Colour foreground = BLACK;
  Colour background = WHITE;
  bool invert = false;
};

// The colours actually painted: `dark` for the symbol's dark modules, `light`
// for its light modules and the quiet zone (swapped by --invert).
struct PaintColours {
  Colour dark;
  Colour light;
};
PaintColours paintColours(const RenderSettings& settings);

Expected<int> parseModulePixels(std::string_view text);  // 1..100
Expected<double> parseLength(std::string_view text);     // "0.5mm", "20mil", "0.02in" -> mm
Expected<int> parseDpi(std::string_view text);           // 1..10000
Expected<int> parseQuietZone(std::string_view text);     // 0..100 modules
// "RRGGBB" or "RRGGBBAA", '#' optional; "transparent" only when allowed.
Expected<Colour> parseColour(std::string_view text, bool allowTransparent);

// WCAG relative-luminance contrast ratio, each colour first flattened onto
// white paper (the light colour) and onto the light colour (the dark one).
double contrastRatio(const Colour& dark, const Colour& light);
inline constexpr double MIN_CONTRAST_RATIO = 3.0;

// Refuses settings that cannot make a readable symbol (too little contrast,
// a transparent dark colour) or that contradict each other.
Expected<RenderSettings> validateSettings(RenderSettings settings);

// `colour` as it looks over `below` (which is taken as opaque).
Colour flattenOnto(const Colour& colour, const Colour& below);

// "#rrggbb", lower case, alpha dropped.
std::string hexColour(const Colour& colour);

}  // namespace dexmora
