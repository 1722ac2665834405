#include <dexmora/option_set.h>

#include <algorithm>
#include <string>

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

uint64_t bitOf(Key key) { return uint64_t{1} << static_cast<unsigned>(key); }

// Levenshtein distance, small strings only.
size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// Stores a parsed value, or passes the parser's error on.
template <typename T, typename Store>
Expected<void> store(Expected<T> parsed, Store storeValue) {
  if (!parsed) return parsed.error();
  storeValue(std::move(parsed).value());
  return {};
}

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

std::string_view nearestOption(std::string_view key, const std::vector<std::string_view>& moreKeys) {
  std::string_view best;
  size_t bestDistance = 0;
  const auto weigh = [&](std::string_view candidate) {
    const size_t distance = editDistance(key, candidate);
    if (best.empty() || distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  };
  for (const Entry& entry : kEntries) weigh(entry.info.key);
  for (const std::string_view candidate : moreKeys) weigh(candidate);
  // One slip in a short name, two in a longer one; more is another word.
  return bestDistance <= (key.size() <= 4 ? 1u : 2u) ? best : std::string_view();
}

bool OptionSet::given(std::string_view key) const {
  const Entry* entry = findEntry(key);
  return entry && (m_given & bitOf(entry->key)) != 0;
}

Expected<void> OptionSet::set(std::string_view key, std::string_view value) {
  const Entry* entry = findEntry(key);
  if (!entry) {
    std::string message = "unknown option " + quoted(key);
    if (const std::string_view near = nearestOption(key); !near.empty()) message += "; did you mean " + optionRef(near) + "?";
    return Error(ErrorCode::BadOption, message);
  }
  Expected<void> result;
  if (entry->info.isSwitch) {
    const Expected<bool> on = parseSwitch(key, value);
    if (!on) return on.error();
    switch (entry->key) {
      case Key::Dmre: encode.size.dmre = *on; break;
      case Key::ExactSize: encode.size.exact = *on; break;
      case Key::Gs1: encode.data.gs1 = *on; break;
      case Key::Gs1Parens: encode.data.gs1Parens = *on; break;
      case Key::Gs1Gs: encode.data.gs1GroupSeparator = *on; break;
      case Key::Gs1NoCheck: encode.data.gs1NoCheck = *on; break;
      case Key::Utf8: m_utf8 = *on; break;
      case Key::ReaderInit: encode.data.readerInit = *on; break;
      case Key::Invert: render.setInvert(*on); break;
      default: break;
    }
  } else {
    switch (entry->key) {
      case Key::Size:
        result = store(parseSize(value), [this](const SizeRequest& size) {
          encode.size.rows = size.rows;
          encode.size.cols = size.cols;
        });
        break;
      case Key::Shape: result = store(parseShape(value), [this](Shape shape) { encode.size.shape = shape; }); break;
      case Key::Dm144: result = store(parseDm144(value), [this](Dm144Layout layout) { encode.dm144 = layout; }); break;
      case Key::Encodation:
        result = store(parseEncodation(value), [this](Encodation encodation) { encode.data.encodation = encodation; });
        break;
      case Key::Eci: result = store(parseEci(value), [this](int eci) { encode.data.eci = eci; }); break;
      case Key::Macro: result = store(parseMacro(value), [this](int macro) { encode.data.macro = macro; }); break;
      case Key::StructuredAppend:
        result = store(parseStructuredAppend(value),
                       [this](const StructuredAppend& append) { encode.data.structuredAppend = append; });
        break;
      case Key::Format: result = store(parseFormat(value), [this](OutputFormat f) { format = f; }); break;
      case Key::Module: result = store(parseModulePixels(value), [this](int px) { render.setModulePixels(px); }); break;
      case Key::Xdim: result = store(parseLength(value), [this](double mm) { render.setXdimMm(mm); }); break;
      case Key::Dpi: result = store(parseDpi(value), [this](int dpi) { render.setDpi(dpi); }); break;
      case Key::QuietZone: result = store(parseQuietZone(value), [this](int q) { render.setQuietZone(q); }); break;
      case Key::Fg: result = store(parseColour(value, false), [this](Colour c) { render.setForeground(c); }); break;
      case Key::Bg: result = store(parseColour(value, true), [this](Colour c) { render.setBackground(c); }); break;
      default: break;
    }
  }
  if (!result) return result;
  m_given |= bitOf(entry->key);
  return {};
}

Expected<void> OptionSet::finish() {
  if (encode.data.gs1Parens) encode.data.gs1 = true;
  if (encode.size.dmre && !given("shape")) encode.size.shape = Shape::Any;
  if (encode.size.dmre && encode.size.shape == Shape::Square) {
    return Error(ErrorCode::BadOption,
                 optionRef("dmre") + " adds rectangular sizes and does not go with " + optionRef("shape") + " square");
  }
  if (m_utf8) {
    if (encode.data.eci && *encode.data.eci != 26) {
      return Error(ErrorCode::BadOption, optionRef("utf8") + " is ECI 26 and does not go with " + optionRef("eci") + " " +
                                             std::to_string(*encode.data.eci));
    }
    encode.data.eci = 26;
  }
  if (Expected<void> valid = checkEncodeOptions(encode); !valid) return valid;
  return checkRenderSettings(render);
}

}  // namespace dexmora
