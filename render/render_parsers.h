#pragma once

// The rendering options' text forms and colour arithmetic, as OptionSet and
// the renderers use them.
#include <string>
#include <string_view>

#include <dexmora/render.h>

namespace dexmora {

// The X-dimensions drawn: 0.01 mm is below any printer's dot; 25.4 mm (an
// inch per module) is far above any symbol anyone prints.
constexpr double MIN_XDIM_MM = 0.01;
constexpr double MAX_XDIM_MM = 25.4;

// The colours actually painted: `dark` for the symbol's dark modules,
// `light` for its light modules and the quiet zone (swapped by invert).
struct PaintColours {
  Colour dark;
  Colour light;
};

// The colours `settings` paint with.
PaintColours paintColours(const RenderSettings& settings);

// Pixels per module, 1 to 100 (option key "module").
Expected<int> parseModulePixels(std::string_view text);
// A length with its unit, "0.5mm", "20 mil", "0.02in" (any case), in mm (option key "xdim").
Expected<double> parseLength(std::string_view text);
// A resolution in dots per inch, 1 to 10000 (option key "dpi").
Expected<int> parseDpi(std::string_view text);
// A quiet zone in modules, 0 to 100 (option key "quiet-zone").
Expected<int> parseQuietZone(std::string_view text);
// "RRGGBB" or "RRGGBBAA" ('#' optional); "transparent" only when
// `allowTransparent` (option keys "fg" and "bg").
Expected<Colour> parseColour(std::string_view text, bool allowTransparent);

// WCAG contrast ratio of the dark colour over the light one, each first
// flattened onto what lies below (the light colour onto white paper).
double contrastRatio(const Colour& dark, const Colour& light);
// Below this contrast ratio colours are refused as unreadable.
inline constexpr double kMinContrastRatio = 3.0;

// `colour` as it looks over `below` (which is taken as opaque).
Colour flattenOnto(const Colour& colour, const Colour& below);

// "#rrggbb", lower case, alpha dropped.
std::string hexColour(const Colour& colour);

}  // namespace dexmora
