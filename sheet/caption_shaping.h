#pragma once

// A caption shaped by HarfBuzz into runs of glyphs, each run in one font:
// the first font that has a character, keeping the run's font for spaces,
// punctuation and marks it has, so that a Chinese caption's digits stay in
// the Chinese font's run only when the first font lacks them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <dexmora/error.h>

#include "sheet/caption_fonts.h"

namespace dexmora {

struct ShapedGlyph {
  uint32_t glyph = 0;   // in the font's own numbering
  int32_t advance = 0;  // font units
  int32_t xOffset = 0;
  int32_t yOffset = 0;
  std::string text;     // the characters it stands for; empty for a cluster's later glyphs
};

struct ShapedRun {
  int font = -1;
  std::vector<ShapedGlyph> glyphs;
};

struct ShapedCaption {
  std::vector<ShapedRun> runs;
  // In millimetres at the size shaped for: the advance width and the line
  // box above and below the baseline.
  double width = 0;
  double ascent = 0;
  double descent = 0;
  double height() const { return ascent + descent; }
};

// Shapes `caption` (UTF-8) at `points`. NotEncodable for invalid UTF-8, a
// control character or a character no font has; the message names it.
Expected<ShapedCaption> shapeCaption(CaptionFonts& fonts, std::string_view caption, double points);

}  // namespace dexmora
