#include "sheet/embedded_font.h"

#include <hb-subset.h>

#include <cstdio>
#include <new>

#include "render/vector_geometry.h"
#include "dexmora_text/quoting.h"

namespace dexmora {

namespace {

// A PDF name may not hold white space or delimiters.
std::string pdfName(const std::string& name) {
  std::string clean;
  for (const char c : name) {
    if (c > ' ' && c < 0x7F && std::string_view("()<>[]{}/%#").find(c) == std::string_view::npos) clean += c;
  }
  return clean.empty() ? "Font" : clean;
}

// Six capitals from the font's name and the glyphs kept: the same subset
// always gets the same tag, and two subsets of one font different ones.
std::string subsetTag(const std::string& name, const std::map<uint32_t, std::string>& glyphs) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  const auto mix = [&](uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
  for (const char c : name) mix(static_cast<uint8_t>(c));
  for (const auto& entry : glyphs)
    for (int shift = 0; shift < 32; shift += 8) mix(static_cast<uint8_t>(entry.first >> shift));
  std::string tag;
  for (int i = 0; i < 6; ++i, hash /= 26) tag += static_cast<char>('A' + hash % 26);
  return tag;
}

// UTF-16BE in hexadecimal, as a ToUnicode map's destination strings are.
std::string utf16Hex(const std::string& utf8) {
  std::string hex;
  const auto unit = [&](unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    hex += text;
  };
  for (size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<uint8_t>(utf8[at]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t codepoint = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length && at + i < utf8.size(); ++i) codepoint = codepoint << 6 | (utf8[at + i] & 0x3F);
    at += length;
    if (codepoint < 0x10000) {
      unit(codepoint);
    } else {
      unit(0xD800 + ((codepoint - 0x10000) >> 10));
      unit(0xDC00 + ((codepoint - 0x10000) & 0x3FF));
    }
  }
  return hex;
}

// Each subset glyph's code (its number, Identity-H) to its text; at most 100
// mappings a block, as CMaps allow.
std::string toUnicodeMap(const std::map<uint32_t, std::string>& texts) {
  std::string map =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo << /Registry (Adobe) /Ordering "
      "(UCS) /Supplement 0 >> def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n1 begincodespacerange\n<0000> "
      "<FFFF>\nendcodespacerange\n";
  std::vector<std::pair<uint32_t, std::string>> entries;
  for (const auto& [glyph, text] : texts)
    if (!text.empty()) entries.emplace_back(glyph, utf16Hex(text));
  for (size_t block = 0; block < entries.size(); block += 100) {
    const size_t end = std::min(entries.size(), block + 100);
    map += std::to_string(end - block) + " beginbfchar\n";
    for (size_t i = block; i < end; ++i) {
      char code[8];
      std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(entries[i].first));
      map += std::string("<") + code + "> <" + entries[i].second + ">\n";
    }
    map += "endbfchar\n";
  }
  return map + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

std::string descriptorFigures(const LoadedFont& font) {
  const double scale = 1000.0 / font.unitsPerEm();
  const auto figure = [&](int units) { return formatNumber(units * scale); };
  const int* box = font.boundingBox();
  // Flags 4 (symbolic): the glyphs are reached by number, not by a standard encoding.
  return "/Flags 4 /FontBBox [" + figure(box[0]) + ' ' + figure(box[1]) + ' ' + figure(box[2]) + ' ' +
         figure(box[3]) + "] /ItalicAngle 0 /Ascent " + figure(font.ascender()) + " /Descent " +
         figure(font.descender()) + " /CapHeight " + figure(font.capHeight()) + " /StemV 80";
}

// What a subset keeps: the glyphs asked for (and what composite glyphs are
// made of), no hinting, no layout tables (the glyphs are already shaped) and
// no layout closure that would pull in every alternate form.
hb_subset_input_t* subsetInput(const std::map<uint32_t, std::string>& glyphs) {
  hb_subset_input_t* input = hb_subset_input_create_or_fail();
  if (input == nullptr) return nullptr;
  hb_set_t* kept = hb_subset_input_glyph_set(input);
  for (const auto& entry : glyphs) hb_set_add(kept, entry.first);
  hb_set_clear(hb_subset_input_set(input, HB_SUBSET_SETS_LAYOUT_FEATURE_TAG));
  hb_set_t* dropped = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
  for (const hb_tag_t tag : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
                             HB_TAG('k', 'e', 'r', 'n'), HB_TAG('m', 'o', 'r', 'x'), HB_TAG('n', 'a', 'm', 'e')}) {
    hb_set_add(dropped, tag);
  }
  hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_NO_HINTING);
  return input;
}

}  // namespace

Expected<EmbeddedFont> embedFont(const LoadedFont& font, const std::map<uint32_t, std::string>& glyphs) {
  hb_subset_input_t* input = subsetInput(glyphs);
  if (input == nullptr) throw std::bad_alloc();
  hb_subset_plan_t* plan = hb_subset_plan_create_or_fail(font.face(), input);
  hb_subset_input_destroy(input);
  hb_face_t* subset = plan != nullptr ? hb_subset_plan_execute_or_fail(plan) : nullptr;
  if (subset == nullptr) {
    hb_subset_plan_destroy(plan);
    return Error(ErrorCode::RenderFailed, "HarfBuzz cannot subset the font " + quoted(font.postscriptName()));
  }
  EmbeddedFont embedded;
  const hb_map_t* oldToNew = hb_subset_plan_old_to_new_glyph_mapping(plan);
  const hb_map_t* newToOld = hb_subset_plan_new_to_old_glyph_mapping(plan);
  std::map<uint32_t, std::string> texts;
  for (const auto& [glyph, text] : glyphs) {
    const hb_codepoint_t renumbered = hb_map_get(oldToNew, glyph);
    embedded.newGlyph[glyph] = renumbered;
    texts[renumbered] = text;
  }
  const unsigned count = hb_face_get_glyph_count(subset);
  embedded.widths.resize(count, 0);
  for (unsigned glyph = 0; glyph < count; ++glyph) {
    const hb_codepoint_t old = hb_map_get(newToOld, glyph);
    if (old != HB_MAP_VALUE_INVALID) {
      embedded.widths[glyph] = hb_font_get_glyph_h_advance(font.font(), old) * 1000.0 / font.unitsPerEm();
    }
  }
  hb_blob_t* blob = hb_face_reference_blob(subset);
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob, &length);
  embedded.fontFile.assign(data, length);
  hb_blob_destroy(blob);
  hb_face_destroy(subset);
  hb_subset_plan_destroy(plan);
  embedded.baseFont = subsetTag(font.postscriptName(), glyphs) + "+" + pdfName(font.postscriptName());
  embedded.toUnicode = toUnicodeMap(texts);
  embedded.descriptor = descriptorFigures(font);
  return embedded;
}

}  // namespace dexmora
