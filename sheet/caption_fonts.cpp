#include "sheet/caption_fonts.h"

#include FT_TRUETYPE_TABLES_H

#include <new>

#include "core/message.h"

namespace dexmora {

namespace {

Error badFont(const std::string& pattern, const std::string& why) {
  return makeError(ErrorCode::BadOption, "bad " + optionKey("font") + " " + quoted(pattern) + ": " + why);
}

// Whether the face's outlines are TrueType's (a glyf table): a CFF font
// would need another kind of PDF font.
bool hasTrueTypeOutlines(hb_face_t* face) {
  hb_blob_t* glyf = hb_face_reference_table(face, HB_TAG('g', 'l', 'y', 'f'));
  const bool has = hb_blob_get_length(glyf) > 0;
  hb_blob_destroy(glyf);
  return has;
}

}  // namespace

LoadedFont::LoadedFont(hb_blob_t* blob, hb_face_t* face, FT_Face ftFace)
    : m_blob(blob), m_face(face), m_font(hb_font_create(face)), m_ftFace(ftFace) {
  m_unitsPerEm = hb_face_get_upem(face);
  const char* name = FT_Get_Postscript_Name(ftFace);
  m_postscriptName = name != nullptr ? name : "Font";
  m_ascender = ftFace->ascender;
  m_descender = ftFace->descender;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ftFace, FT_SFNT_OS2));
  m_capHeight = os2 != nullptr && os2->version >= 2 && os2->sCapHeight > 0 ? os2->sCapHeight : m_ascender;
  m_bbox[0] = static_cast<int>(ftFace->bbox.xMin);
  m_bbox[1] = static_cast<int>(ftFace->bbox.yMin);
  m_bbox[2] = static_cast<int>(ftFace->bbox.xMax);
  m_bbox[3] = static_cast<int>(ftFace->bbox.yMax);
}

LoadedFont::~LoadedFont() {
  FT_Done_Face(m_ftFace);
  hb_font_destroy(m_font);
  hb_face_destroy(m_face);
  hb_blob_destroy(m_blob);
}

bool LoadedFont::hasGlyph(uint32_t codepoint) const {
  hb_codepoint_t glyph = 0;
  return hb_font_get_nominal_glyph(m_font, codepoint, &glyph) && glyph != 0;
}

Expected<std::unique_ptr<CaptionFonts>> CaptionFonts::open(const std::string& pattern) {
  // A configuration of our own, never fontconfig's process-wide current one.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return Error(ErrorCode::BadOption, "fontconfig has no configuration");
  FT_Library freetype = nullptr;
  if (FT_Init_FreeType(&freetype) != 0) {
    FcConfigDestroy(config);
    return Error(ErrorCode::OutOfMemory, "out of memory");
  }
  std::unique_ptr<CaptionFonts> fonts(new CaptionFonts(config, freetype));
  FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
  if (wanted == nullptr) return badFont(pattern, "fontconfig cannot parse it");
  FcConfigSubstitute(config, wanted, FcMatchPattern);
  FcDefaultSubstitute(wanted);
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(config, wanted, FcTrue, nullptr, &result);
  FcPatternDestroy(wanted);
  if (sorted != nullptr) {
    for (int i = 0; i < sorted->nfont; ++i) {
      FcChar8* file = nullptr;
      int index = 0;
      FcCharSet* charset = nullptr;
      FcBool variable = FcFalse;
      if (FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &file) != FcResultMatch ||
          FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch) {
        continue;
      }
      FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &index);
      FcPatternGetBool(sorted->fonts[i], FC_VARIABLE, 0, &variable);
      if (variable) continue;
      Candidate candidate;
      candidate.file = reinterpret_cast<const char*>(file);
      candidate.faceIndex = index;
      candidate.charset = FcCharSetCopy(charset);
      fonts->m_candidates.push_back(std::move(candidate));
    }
    FcFontSetDestroy(sorted);
  }
  for (size_t i = 0; i < fonts->m_candidates.size() && fonts->m_primary < 0; ++i) {
    if (fonts->loaded(static_cast<int>(i)) != nullptr) fonts->m_primary = static_cast<int>(i);
  }
  if (fonts->m_primary < 0) return badFont(pattern, "no font with TrueType outlines matches it");
  return Expected<std::unique_ptr<CaptionFonts>>(std::move(fonts));
}

CaptionFonts::~CaptionFonts() {
  for (Candidate& candidate : m_candidates) {
    candidate.font.reset();
    FcCharSetDestroy(candidate.charset);
  }
  FT_Done_FreeType(m_freetype);
  FcConfigDestroy(m_config);
}

LoadedFont* CaptionFonts::loaded(int index) {
  Candidate& candidate = m_candidates[static_cast<size_t>(index)];
  if (candidate.font || candidate.unusable) return candidate.font.get();
  candidate.unusable = true;
  hb_blob_t* blob = hb_blob_create_from_file_or_fail(candidate.file.c_str());
  if (blob == nullptr) return nullptr;
  hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(candidate.faceIndex));
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob, &length);
  FT_Face ftFace = nullptr;
  if (!hasTrueTypeOutlines(face) ||
      FT_New_Memory_Face(m_freetype, reinterpret_cast<const FT_Byte*>(data), static_cast<FT_Long>(length),
                         candidate.faceIndex, &ftFace) != 0 ||
      !FT_IS_SFNT(ftFace)) {
    if (ftFace != nullptr) FT_Done_Face(ftFace);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
    return nullptr;
  }
  candidate.font = std::make_unique<LoadedFont>(blob, face, ftFace);
  candidate.unusable = false;
  return candidate.font.get();
}

int CaptionFonts::fontFor(uint32_t codepoint) {
  for (size_t i = 0; i < m_candidates.size(); ++i) {
    Candidate& candidate = m_candidates[i];
    if (candidate.unusable || !FcCharSetHasChar(candidate.charset, codepoint)) continue;
    const LoadedFont* font = loaded(static_cast<int>(i));
    if (font != nullptr && font->hasGlyph(codepoint)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace dexmora
