#pragma once

// The captions' fonts: fontconfig's list for the pattern, in fallback order,
// each font file read (through HarfBuzz's blob, FreeType reading the same
// bytes) only when a caption needs a character from it.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <dexmora/error.h>

namespace dexmora {

// One face of a font file, loaded: HarfBuzz's face and font for shaping and
// subsetting, FreeType's face for the figures a PDF font descriptor names.
// Owns all three; the FreeType face reads the bytes the blob holds.
class LoadedFont {
 public:
  LoadedFont(hb_blob_t* blob, hb_face_t* face, FT_Face ftFace);
  ~LoadedFont();
  LoadedFont(const LoadedFont&) = delete;
  LoadedFont& operator=(const LoadedFont&) = delete;

  hb_face_t* face() const { return m_face; }
  hb_font_t* font() const { return m_font; }
  // Font units per em; shaped advances and offsets are in these units.
  unsigned unitsPerEm() const { return m_unitsPerEm; }
  const std::string& postscriptName() const { return m_postscriptName; }
  // Ascender (positive) and descender (negative), in font units.
  int ascender() const { return m_ascender; }
  int descender() const { return m_descender; }
  int capHeight() const { return m_capHeight; }
  // xMin, yMin, xMax, yMax of every glyph, in font units.
  const int* boundingBox() const { return m_bbox; }
  bool hasGlyph(uint32_t codepoint) const;

 private:
  hb_blob_t* m_blob;
  hb_face_t* m_face;
  hb_font_t* m_font;
  FT_Face m_ftFace;
  unsigned m_unitsPerEm;
  std::string m_postscriptName;
  int m_ascender;
  int m_descender;
  int m_capHeight;
  int m_bbox[4];
};

class CaptionFonts {
 public:
  // BadOption when fontconfig cannot parse `pattern` or finds no font with
  // TrueType outlines for it (the only kind a PDF embeds as CIDFontType2 here).
  static Expected<std::unique_ptr<CaptionFonts>> open(const std::string& pattern);
  ~CaptionFonts();
  CaptionFonts(const CaptionFonts&) = delete;
  CaptionFonts& operator=(const CaptionFonts&) = delete;

  // The first font, in fallback order, with a glyph for `codepoint`, or -1.
  int fontFor(uint32_t codepoint);
  // Whether font `index` (which fontFor() gave) has a glyph for `codepoint`.
  bool has(int index, uint32_t codepoint) { return loaded(index)->hasGlyph(codepoint); }
  // Font `index`, which fontFor() gave.
  const LoadedFont& font(int index) { return *loaded(index); }
  // The first usable font's index: captions' line height is taken from it.
  int primary() const { return m_primary; }

 private:
  struct Candidate {
    std::string file;
    int faceIndex = 0;
    FcCharSet* charset = nullptr;  // owned copy
    std::unique_ptr<LoadedFont> font;
    bool unusable = false;
  };
  CaptionFonts(FcConfig* config, FT_Library freetype) : m_config(config), m_freetype(freetype) {}
  LoadedFont* loaded(int index);

  FcConfig* m_config;
  FT_Library m_freetype;
  std::vector<Candidate> m_candidates;
  int m_primary = -1;
};

}  // namespace dexmora
