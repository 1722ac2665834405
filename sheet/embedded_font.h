#pragma once

// A font as a PDF embeds it: a subset of the glyphs a sheet uses, renumbered
// from 0 (so its glyph tables hold those glyphs alone), as a CIDFontType2
// under a Type0 font with Identity-H and a ToUnicode map for search and copy.
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include <dexmora/error.h>

#include "sheet/caption_fonts.h"

namespace dexmora {

struct EmbeddedFont {
  std::string baseFont;  // "ABCDEF+DejaVuSans": a tag from the subset's content, then the font's name
  std::string fontFile;  // the subset font's bytes
  std::unordered_map<uint32_t, uint32_t> newGlyph;  // the font's glyph -> the subset's
  std::vector<double> widths;                       // per subset glyph, in thousandths of an em
  std::string toUnicode;                            // the CMap
  std::string descriptor;                           // the font descriptor's figures
};

// `glyphs`: the font's own glyph numbers used, each with the text it stands
// for. RenderFailed when HarfBuzz's subsetter refuses the font.
Expected<EmbeddedFont> embedFont(const LoadedFont& font, const std::map<uint32_t, std::string>& glyphs);

}  // namespace dexmora
