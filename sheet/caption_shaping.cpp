#include "sheet/caption_shaping.h"

#include <algorithm>
#include <cstdio>

#include "render/vector_geometry.h"
#include "dexmora_text/quoting.h"

namespace dexmora {

namespace {

constexpr double kMmPerPoint = 25.4 / 72;

Error captionError(std::string_view caption, const std::string& why) {
  return Error(ErrorCode::NotEncodable, "the caption " + quoted(caption) + " " + why);
}

struct Character {
  uint32_t codepoint;
  size_t offset;  // of its first byte
  size_t length;
};

// The characters of `text`, or nothing when it is not UTF-8: overlong forms,
// surrogates and values past U+10FFFF are refused as the Unicode standard asks.
bool decodeUtf8(std::string_view text, std::vector<Character>& out) {
  for (size_t at = 0; at < text.size();) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(at);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > text.size()) return false;
    uint32_t codepoint = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
      if ((byte(at + i) & 0xC0) != 0x80) return false;
      codepoint = codepoint << 6 | (byte(at + i) & 0x3F);
    }
    static constexpr uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codepoint < kShortest[length] || codepoint > 0x10FFFF || (codepoint >= 0xD800 && codepoint <= 0xDFFF)) {
      return false;
    }
    out.push_back({codepoint, at, length});
    at += length;
  }
  return true;
}

std::string codepointName(uint32_t codepoint) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codepoint));
  return name;
}

// Characters that take the script of their neighbours: a run keeps its font
// for them when it has them.
bool followsNeighbours(uint32_t codepoint) {
  const hb_script_t script = hb_unicode_script(hb_unicode_funcs_get_default(), codepoint);
  return script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED;
}

// The text each glyph stands for: a cluster's characters (up to the next
// cluster, or the run's `end`) go to its first glyph in the buffer, the
// other glyphs of the cluster get none.
void clusterTexts(std::string_view caption, size_t end, const hb_glyph_info_t* infos, unsigned count,
                  std::vector<ShapedGlyph>& glyphs) {
  std::vector<uint32_t> starts;
  for (unsigned i = 0; i < count; ++i) starts.push_back(infos[i].cluster);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  std::vector<bool> given(starts.size(), false);
  for (unsigned i = 0; i < count; ++i) {
    const auto found = std::lower_bound(starts.begin(), starts.end(), infos[i].cluster);
    const size_t at = static_cast<size_t>(found - starts.begin());
    if (given[at]) continue;
    given[at] = true;
    const size_t stop = at + 1 < starts.size() ? starts[at + 1] : end;
    glyphs[i].text = std::string(caption.substr(starts[at], stop - starts[at]));
  }
}

ShapedRun shapeRun(CaptionFonts& fonts, int font, std::string_view caption, size_t begin, size_t end) {
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf8(buffer, caption.data(), static_cast<int>(caption.size()), static_cast<unsigned>(begin),
                     static_cast<int>(end - begin));
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(fonts.font(font).font(), buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, nullptr);
  ShapedRun run;
  run.font = font;
  run.glyphs.resize(count);
  for (unsigned i = 0; i < count; ++i) {
    run.glyphs[i].glyph = infos[i].codepoint;
    run.glyphs[i].advance = positions[i].x_advance;
    run.glyphs[i].xOffset = positions[i].x_offset;
    run.glyphs[i].yOffset = positions[i].y_offset;
  }
  clusterTexts(caption, end, infos, count, run.glyphs);
  const bool allocated = hb_buffer_allocation_successful(buffer);
  hb_buffer_destroy(buffer);
  if (!allocated) throw std::bad_alloc();
  return run;
}

}  // namespace

Expected<ShapedCaption> shapeCaption(CaptionFonts& fonts, std::string_view caption, double points) {
  std::vector<Character> characters;
  if (!decodeUtf8(caption, characters)) return captionError(caption, "is not valid UTF-8");
  // A run of characters in one font: [begin, end) in bytes.
  struct Span {
    int font;
    size_t begin;
    size_t end;
  };
  std::vector<Span> spans;
  for (const Character& c : characters) {
    if (c.codepoint < 0x20 || (c.codepoint >= 0x7F && c.codepoint < 0xA0)) {
      return captionError(caption, "holds the control character " + codepointName(c.codepoint));
    }
    int font = !spans.empty() && followsNeighbours(c.codepoint) && fonts.has(spans.back().font, c.codepoint)
                   ? spans.back().font
                   : fonts.fontFor(c.codepoint);
    if (font < 0) return captionError(caption, "holds " + codepointName(c.codepoint) + ", which no font has");
    if (!spans.empty() && spans.back().font == font) {
      spans.back().end = c.offset + c.length;
    } else {
      spans.push_back({font, c.offset, c.offset + c.length});
    }
  }
  ShapedCaption shaped;
  const auto scale = [&](int font) { return points * kMmPerPoint / fonts.font(font).unitsPerEm(); };
  const auto lineBox = [&](int font) {
    shaped.ascent = std::max(shaped.ascent, fonts.font(font).ascender() * scale(font));
    shaped.descent = std::max(shaped.descent, -fonts.font(font).descender() * scale(font));
  };
  if (characters.empty()) return shaped;
  lineBox(fonts.primary());
  for (const Span& span : spans) {
    shaped.runs.push_back(shapeRun(fonts, span.font, caption, span.begin, span.end));
    lineBox(span.font);
    for (const ShapedGlyph& glyph : shaped.runs.back().glyphs) shaped.width += glyph.advance * scale(span.font);
  }
  return shaped;
}

}  // namespace dexmora
