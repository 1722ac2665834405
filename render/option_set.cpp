#include <dexmora/option_set.h>

#include "render/render_parsers.h"

#include <algorithm>
#include <bitset>
#include <string>

#include "core/encode_settings.h"
#include "core/message.h"
#include "core/option_parsers.h"

namespace dexmora {

namespace {

enum class Key : uint8_t {
  Size, Shape, Dmre, Dm144, ExactSize, Encodation, Gs1, Gs1Parens, Gs1Gs, Gs1NoCheck, Eci, Utf8, ReaderInit, Macro,
  StructuredAppend, Format, Module, Xdim, Dpi, QuietZone, Fg, Bg, Invert,
};

struct Entry {
  Key key;
  OptionInfo info;
};

// In the order --help lists them.
constexpr Entry kEntries[] = {
    {Key::Size, {"size", false, false, "auto|N|RxC", "symbol size: auto, a square side or rows x columns"}},
    {Key::Shape, {"shape", false, false, "square|rectangle|any", "what an automatic size is chosen from"}},
    {Key::Dmre, {"dmre", true, false, "", "let an automatic size be a DMRE rectangle too"}},
    {Key::Dm144, {"dm144", false, false, "iso|defacto", "the 144x144 symbol's error-correction layout"}},
    {Key::ExactSize, {"exact-size", true, false, "", "the size asked for or an error, never a larger size"}},
    {Key::Encodation,
     {"encodation", false, false, "basic|minimal|ascii|c40|text|x12|edifact|base256", "how the text becomes codewords"}},
    {Key::Gs1, {"gs1", true, false, "", "the text is GS1 element strings in brackets, [01]..."}},
    {Key::Gs1Parens, {"gs1-parens", true, false, "", "GS1 element strings in parentheses, (01)...; implies gs1"}},
    {Key::Gs1Gs, {"gs1-gs", true, false, "", "separate GS1 fields with GS (29) instead of FNC1"}},
    {Key::Gs1NoCheck, {"gs1-nocheck", true, false, "", "accept GS1 AIs the table does not know"}},
    {Key::Eci, {"eci", false, false, "0..999999", "the ECI designator put first"}},
    {Key::Utf8, {"utf8", true, false, "", "the text is UTF-8 (ECI 26)"}},
    {Key::ReaderInit, {"reader-init", true, false, "", "a reader programming symbol"}},
    {Key::Macro, {"macro", false, false, "05|06", "the Macro 05 or Macro 06 header and trailer"}},
    {Key::StructuredAppend,
     {"structured-append", false, false, "POSITION,COUNT[,ID]", "this symbol's place in a sequence of 2 to 16"}},
    {Key::Format, {"format", false, false, "png|svg|pdf|eps|txt", "the output format"}},
    {Key::Module, {"module", false, true, "1..100", "PNG pixels per module"}},
    {Key::Xdim, {"xdim", false, true, "LENGTH", "the module size with a unit: mm, mil or in, e.g. 0.5mm"}},
    {Key::Dpi, {"dpi", false, true, "1..10000", "the printer's resolution for a PNG"}},
    {Key::QuietZone, {"quiet-zone", false, true, "0..100", "the light margin in modules"}},
    {Key::Fg, {"fg", false, true, "RRGGBB[AA]", "the dark modules' colour"}},
    {Key::Bg, {"bg", false, true, "RRGGBB[AA]|transparent", "the light modules' and margin's colour"}},
    {Key::Invert, {"invert", true, true, "", "swap the dark and light colours"}},
};

const Entry* findEntry(std::string_view key) {
  for (const Entry& entry : kEntries)
    if (entry.info.key == key) return &entry;
  return nullptr;
}

// Stores a parsed value, or passes the parser's error on.
template <typename T, typename Store>
Expected<void> store(Expected<T> parsed, Store storeValue) {
  if (!parsed) return parsed.error();
  storeValue(std::move(parsed).value());
  return {};
}

constexpr size_t kKeyCount = std::size(kEntries);

std::vector<std::string_view> knownKeys() {
  std::vector<std::string_view> keys;
  for (const Entry& entry : kEntries) keys.push_back(entry.info.key);
  return keys;
}

size_t indexOf(const Entry* entry) { return static_cast<size_t>(entry - kEntries); }

}  // namespace

const std::vector<OptionInfo>& optionTable() {
  static const std::vector<OptionInfo> table = [] {
    std::vector<OptionInfo> infos;
    for (const Entry& entry : kEntries) infos.push_back(entry.info);
    return infos;
  }();
  return table;
}

const OptionInfo* findOption(std::string_view key) {
  const Entry* entry = findEntry(key);
  return entry ? &entry->info : nullptr;
}

struct OptionSet::Values {
  EncodeOptions encode;
  RenderSettings render;
  std::optional<OutputFormat> format;
  std::bitset<kKeyCount> given;
  bool utf8 = false;
};

OptionSet::OptionSet() : m_values(std::make_unique<Values>()) {}
OptionSet::OptionSet(const OptionSet& other) : m_values(std::make_unique<Values>(*other.m_values)) {}
OptionSet& OptionSet::operator=(const OptionSet& other) {
  *m_values = *other.m_values;
  return *this;
}
OptionSet::~OptionSet() = default;

const EncodeOptions& OptionSet::encodeOptions() const { return m_values->encode; }
const RenderSettings& OptionSet::renderSettings() const { return m_values->render; }
std::optional<OutputFormat> OptionSet::format() const { return m_values->format; }
EncodeOptions& OptionSet::encodeOptions() { return m_values->encode; }
RenderSettings& OptionSet::renderSettings() { return m_values->render; }

bool OptionSet::given(std::string_view key) const {
  const Entry* entry = findEntry(key);
  return entry && m_values->given.test(indexOf(entry));
}

Expected<void> OptionSet::set(std::string_view key, std::string_view value) {
  const Entry* entry = findEntry(key);
  if (!entry) {
    Message message("unknown option " + quoted(key));
    if (const std::string_view near = nearestWord(key, knownKeys()); !near.empty()) {
      message += "; did you mean " + optionKey(near) + "?";
    }
    return detail::ErrorAccess::about(makeError(ErrorCode::BadOption, message), key, value);
  }
  EncodeSettings& encode = settingsOf(m_values->encode);
  RenderSettings& render = m_values->render;
  Expected<void> result;
  if (entry->info.isSwitch) {
    const Expected<bool> on = parseSwitch(key, value);
    if (!on) return detail::ErrorAccess::about(on.error(), key, value);
    switch (entry->key) {
      case Key::Dmre: encode.size.dmre = *on; break;
      case Key::ExactSize: encode.size.exact = *on; break;
      case Key::Gs1: encode.data.gs1 = *on; break;
      case Key::Gs1Parens: encode.data.gs1Parens = *on; break;
      case Key::Gs1Gs: encode.data.gs1GroupSeparator = *on; break;
      case Key::Gs1NoCheck: encode.data.gs1NoCheck = *on; break;
      case Key::Utf8: m_values->utf8 = *on; break;
      case Key::ReaderInit: encode.data.readerInit = *on; break;
      case Key::Invert: render.setInvert(*on); break;
      default: break;
    }
  } else {
    switch (entry->key) {
      case Key::Size:
        result = store(parseSize(value), [&](const SizeRequest& size) {
          encode.size.rows = size.rows;
          encode.size.cols = size.cols;
        });
        break;
      case Key::Shape: result = store(parseShape(value), [&](Shape shape) { encode.size.shape = shape; }); break;
      case Key::Dm144: result = store(parseDm144(value), [&](Dm144Layout layout) { encode.dm144 = layout; }); break;
      case Key::Encodation:
        result = store(parseEncodation(value), [&](Encodation encodation) { encode.data.encodation = encodation; });
        break;
      case Key::Eci: result = store(parseEci(value), [&](int eci) { encode.data.eci = eci; }); break;
      case Key::Macro: result = store(parseMacro(value), [&](int macro) { encode.data.macro = macro; }); break;
      case Key::StructuredAppend:
        result = store(parseStructuredAppend(value),
                       [&](const StructuredAppend& append) { encode.data.structuredAppend = append; });
        break;
      case Key::Format: result = store(parseFormat(value), [&](OutputFormat f) { m_values->format = f; }); break;
      case Key::Module: result = store(parseModulePixels(value), [&](int px) { render.setModulePixels(px); }); break;
      case Key::Xdim: result = store(parseLength(value), [&](double mm) { render.setXdimMm(mm); }); break;
      case Key::Dpi: result = store(parseDpi(value), [&](int dpi) { render.setDpi(dpi); }); break;
      case Key::QuietZone: result = store(parseQuietZone(value), [&](int q) { render.setQuietZone(q); }); break;
      case Key::Fg: result = store(parseColour(value, false), [&](Colour c) { render.setForeground(c); }); break;
      case Key::Bg: result = store(parseColour(value, true), [&](Colour c) { render.setBackground(c); }); break;
      default: break;
    }
  }
  if (!result) return detail::ErrorAccess::about(result.error(), key, value);
  m_values->given.set(indexOf(entry));
  return {};
}

Expected<void> OptionSet::finish() {
  EncodeSettings& encode = settingsOf(m_values->encode);
  if (encode.data.gs1Parens) encode.data.gs1 = true;
  if (encode.size.dmre && !given("shape")) encode.size.shape = Shape::Any;
  if (encode.size.dmre && encode.size.shape == Shape::Square) {
    return makeError(ErrorCode::BadOption,
                     optionKey("dmre") + " adds rectangular sizes and does not go with " + optionKey("shape") + " square");
  }
  if (m_values->utf8) {
    if (encode.data.eci && *encode.data.eci != 26) {
      return makeError(ErrorCode::BadOption, optionKey("utf8") + " is ECI 26 and does not go with " + optionKey("eci") +
                                                 " " + std::to_string(*encode.data.eci));
    }
    encode.data.eci = 26;
  }
  if (Expected<void> valid = checkEncodeSettings(encode); !valid) return valid;
  return checkRenderSettings(m_values->render);
}

}  // namespace dexmora
