#include <dexmora/render.h>

#include "render/render_parsers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "core/option_text.h"

namespace dexmora {

namespace {

Error badOption(Message message) { return makeError(ErrorCode::BadOption, std::move(message)); }
Error badOption(std::string message) { return badOption(Message(std::move(message))); }

Expected<int> wholeNumber(std::string_view text, int low, int high, const char* what) {
  int value = 0;
  if (!parseWholeNumber(text, low, high, value)) {
    return badOption(std::string(what) + " " + quoted(text) + " is not a whole number from " + std::to_string(low) +
                     " to " + std::to_string(high));
  }
  return value;
}

struct LengthUnit {
  std::string_view suffix;
  double mmPerUnit;
};
// A mil is a thousandth of an inch, the unit barcode X-dimensions are quoted in.
constexpr char HEX_DIGITS[] = "0123456789abcdef";

constexpr LengthUnit LENGTH_UNITS[] = {{"mm", 1.0}, {"mil", 0.0254}, {"in", 25.4}};

constexpr int kMaxModulePixels = 100;
constexpr int kMaxDpi = 10000;
constexpr int kMaxQuietZone = 100;

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

double linearChannel(uint8_t value) {
  const double c = value / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const Colour& colour) {
  return 0.2126 * linearChannel(colour.r) + 0.7152 * linearChannel(colour.g) + 0.0722 * linearChannel(colour.b);
}

std::string colourName(const Colour& colour) {
  std::string name = hexColour(colour);
  if (!colour.opaque()) {
    name += HEX_DIGITS[colour.a >> 4];
    name += HEX_DIGITS[colour.a & 15];
  }
  return name;
}

}  // namespace

PaintColours paintColours(const RenderSettings& settings) {
  const Colour foreground = settings.foreground().value_or(kBlack);
  const Colour background = settings.background().value_or(kWhite);
  if (settings.invert().value_or(false)) return {background, foreground};
  return {foreground, background};
}

Expected<int> parseModulePixels(std::string_view text) { return wholeNumber(text, 1, kMaxModulePixels, "module size"); }

Expected<int> parseDpi(std::string_view text) { return wholeNumber(text, 1, kMaxDpi, "resolution"); }

Expected<int> parseQuietZone(std::string_view text) { return wholeNumber(text, 0, kMaxQuietZone, "quiet zone"); }

Expected<double> parseLength(std::string_view text) {
  const std::string lower = lowerCase(text);
  for (const LengthUnit& unit : LENGTH_UNITS) {
    std::string_view number = lower;
    if (number.size() <= unit.suffix.size() || number.substr(number.size() - unit.suffix.size()) != unit.suffix) continue;
    number.remove_suffix(unit.suffix.size());
    if (!number.empty() && number.back() == ' ') number.remove_suffix(1);  // "0.5 mm"
    double value = 0;
    const char* end = number.data() + number.size();
    const auto [rest, status] = std::from_chars(number.data(), end, value, std::chars_format::fixed);
    if (number.empty() || status != std::errc() || rest != end) break;
    const double mm = value * unit.mmPerUnit;
    if (!(mm >= MIN_XDIM_MM && mm <= MAX_XDIM_MM)) {
      return badOption("X-dimension " + quoted(text) + " is outside 0.01 mm to 25.4 mm");
    }
    return mm;
  }
  return badOption("X-dimension " + quoted(text) + " is not a length such as 0.5mm, 20mil or 0.02in");
}

Expected<Colour> parseColour(std::string_view text, bool allowTransparent) {
  if (text == "transparent") {
    if (allowTransparent) return Colour{255, 255, 255, 0};
    return badOption("colour 'transparent' is only allowed for the background");
  }
  const std::string_view digits = !text.empty() && text.front() == '#' ? text.substr(1) : text;
  uint8_t channels[4] = {0, 0, 0, 255};
  bool valid = digits.size() == 6 || digits.size() == 8;
  for (size_t i = 0; valid && i < digits.size(); i += 2) {
    const int high = hexDigit(digits[i]);
    const int low = hexDigit(digits[i + 1]);
    valid = high >= 0 && low >= 0;
    if (valid) channels[i / 2] = static_cast<uint8_t>(high * 16 + low);
  }
  if (!valid) return badOption("colour " + quoted(text) + " is not RRGGBB or RRGGBBAA in hexadecimal");
  return Colour{channels[0], channels[1], channels[2], channels[3]};
}

Colour flattenOnto(const Colour& colour, const Colour& below) {
  const auto mix = [&](uint8_t top, uint8_t bottom) {
    return static_cast<uint8_t>((top * colour.a + bottom * (255 - colour.a) + 127) / 255);
  };
  return Colour{mix(colour.r, below.r), mix(colour.g, below.g), mix(colour.b, below.b), 255};
}

double contrastRatio(const Colour& dark, const Colour& light) {
  const Colour paper = flattenOnto(light, kWhite);
  const double a = relativeLuminance(flattenOnto(dark, paper));
  const double b = relativeLuminance(paper);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Expected<void> checkRenderSettings(const RenderSettings& settings) {
  const std::optional<int> modulePixels = settings.modulePixels();
  if (modulePixels && (*modulePixels < 1 || *modulePixels > kMaxModulePixels)) {
    return badOption("module size " + std::to_string(*modulePixels) + " is outside 1 to 100 pixels");
  }
  const std::optional<int> dpi = settings.dpi();
  if (dpi && (*dpi < 1 || *dpi > kMaxDpi)) {
    return badOption("resolution " + std::to_string(*dpi) + " is outside 1 to 10000 dpi");
  }
  const std::optional<double> xdim = settings.xdimMm();
  if (xdim && !(*xdim >= MIN_XDIM_MM && *xdim <= MAX_XDIM_MM)) {
    return badOption("X-dimension " + std::to_string(*xdim) + " mm is outside 0.01 mm to 25.4 mm");
  }
  const std::optional<int> quietZone = settings.quietZone();
  if (quietZone && (*quietZone < 0 || *quietZone > kMaxQuietZone)) {
    return badOption("quiet zone " + std::to_string(*quietZone) + " is outside 0 to 100 modules");
  }
  if (settings.limits().maxSide == 0 || settings.limits().maxPixels == 0) return badOption("a picture limit is zero");
  if (modulePixels && dpi) {
    return badOption(optionKey("module") + " and " + optionKey("dpi") +
                     " both set the module size in pixels; give one of them");
  }
  const PaintColours colours = paintColours(settings);
  if (colours.dark.transparent()) {
    return badOption(settings.invert().value_or(false)
                         ? optionKey("invert") + " with a transparent background leaves the modules invisible"
                         : Message("a transparent foreground leaves the modules invisible"));
  }
  const double ratio = contrastRatio(colours.dark, colours.light);
  if (ratio < kMinContrastRatio) {
    char figure[16];
    const auto end = std::to_chars(figure, figure + sizeof figure, ratio, std::chars_format::fixed, 2).ptr;
    return badOption("colours " + colourName(settings.foreground().value_or(kBlack)) + " on " +
                     colourName(settings.background().value_or(kWhite)) +
                     " have a contrast ratio of " + std::string(figure, end) +
                     ":1, too low to scan (at least 3:1 is needed)");
  }
  return {};
}

std::string hexColour(const Colour& colour) {
  std::string text = "#";
  for (const uint8_t channel : {colour.r, colour.g, colour.b}) {
    text += HEX_DIGITS[channel >> 4];
    text += HEX_DIGITS[channel & 15];
  }
  return text;
}

}  // namespace dexmora
