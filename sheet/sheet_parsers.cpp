#include <dexmora/sheet.h>

#include <charconv>
#include <cmath>

#include "core/option_text.h"
#include "render/vector_geometry.h"

namespace dexmora {

namespace {

// PDF viewers need not show a page side over 14400 units of 1/72 in: 200 in.
constexpr double kLongestSideMm = 5080;

struct Unit {
  std::string_view suffix;
  double mm;
};
constexpr Unit kUnits[] = {{"mm", 1.0}, {"cm", 10.0}, {"in", 25.4}, {"pt", 25.4 / 72}};

struct Paper {
  std::string_view name;
  SheetExtent size;
};
constexpr Paper kPapers[] = {
    {"a4", {210, 297}}, {"a5", {148, 210}}, {"letter", {215.9, 279.4}}, {"legal", {215.9, 355.6}}};

// A number with its unit, or without one (then `mmPerUnit` is 0).
struct Length {
  double value = 0;
  double mmPerUnit = 0;
};

std::optional<Length> lengthOf(std::string_view text) {
  Length length;
  for (const Unit& unit : kUnits) {
    if (text.size() > unit.suffix.size() && text.substr(text.size() - unit.suffix.size()) == unit.suffix) {
      text.remove_suffix(unit.suffix.size());
      if (text.back() == ' ') text.remove_suffix(1);
      length.mmPerUnit = unit.mm;
      break;
    }
  }
  const char* end = text.data() + text.size();
  const auto [rest, status] = std::from_chars(text.data(), end, length.value, std::chars_format::fixed);
  if (text.empty() || status != std::errc() || rest != end || !std::isfinite(length.value)) return std::nullopt;
  return length;
}

// Two lengths split at `separator`; a unit given only after the second
// applies to the first as well ("100x150mm", "10,7.5mm").
std::optional<std::pair<double, double>> twoLengths(std::string_view text, char separator) {
  const std::string lower = lowerCase(text);
  const size_t at = lower.find(separator);
  if (at == std::string::npos || lower.find(separator, at + 1) != std::string::npos) return std::nullopt;
  std::optional<Length> first = lengthOf(std::string_view(lower).substr(0, at));
  const std::optional<Length> second = lengthOf(std::string_view(lower).substr(at + 1));
  if (!first || !second || second->mmPerUnit == 0) return std::nullopt;
  if (first->mmPerUnit == 0) first->mmPerUnit = second->mmPerUnit;
  return std::pair<double, double>(first->value * first->mmPerUnit, second->value * second->mmPerUnit);
}

std::string millimetres(double mm) { return formatNumber(std::round(mm * 1000) / 1000) + " mm"; }

Expected<SheetExtent> extentOf(std::string_view key, std::string_view text, std::string_view advice) {
  const std::optional<std::pair<double, double>> sides = twoLengths(text, 'x');
  if (!sides) return badValue(optionKey(key), text, advice);
  for (const double side : {sides->first, sides->second}) {
    if (!(side > 0 && side <= kLongestSideMm)) {
      return badValue(optionKey(key), text, "each side must be more than 0 and at most " + millimetres(kLongestSideMm));
    }
  }
  return SheetExtent{sides->first, sides->second};
}

Expected<SheetPair> pairOf(std::string_view key, std::string_view text, std::string_view names, bool zeroAllowed) {
  const std::optional<std::pair<double, double>> values = twoLengths(text, ',');
  if (!values) {
    return badValue(optionKey(key), text,
                    "use " + std::string(names) + ", two lengths with a unit (mm, cm, in or pt), e.g. 10,7.5mm");
  }
  for (const double value : {values->first, values->second}) {
    if (!(zeroAllowed ? value >= 0 : value > 0) || value > kLongestSideMm) {
      return badValue(optionKey(key), text,
                      std::string(zeroAllowed ? "each length must be from 0" : "each length must be more than 0") +
                          " to " + millimetres(kLongestSideMm));
    }
  }
  return SheetPair{values->first, values->second};
}

}  // namespace

Expected<SheetExtent> parsePaper(std::string_view text) {
  const std::string lower = lowerCase(text);
  for (const Paper& paper : kPapers)
    if (paper.name == lower) return paper.size;
  return extentOf("sheet", text, "use a4, a5, letter, legal or WxH with a unit (mm, cm, in or pt), e.g. 100x150mm");
}

Expected<SheetExtent> parseCellSize(std::string_view text) {
  return extentOf("cell", text, "use WxH with a unit (mm, cm, in or pt), e.g. 70x37mm");
}

Expected<SheetGrid> parseGrid(std::string_view text) {
  const size_t at = text.find_first_of("xX");
  SheetGrid grid;
  if (at == std::string_view::npos || !parseWholeNumber(text.substr(0, at), 1, 100, grid.columns) ||
      !parseWholeNumber(text.substr(at + 1), 1, 100, grid.rows)) {
    return badValue(optionKey("grid"), text, "use COLSxROWS, each from 1 to 100, e.g. 3x8");
  }
  return grid;
}

Expected<SheetPair> parseMargin(std::string_view text) { return pairOf("sheet-margin", text, "TOP,LEFT", true); }

Expected<SheetPair> parsePitch(std::string_view text) { return pairOf("pitch", text, "H,V", false); }

Expected<double> parseCaptionSize(std::string_view text) {
  std::string_view number = text;
  if (number.size() > 2 && lowerCase(number.substr(number.size() - 2)) == "pt") number.remove_suffix(2);
  double points = 0;
  const char* end = number.data() + number.size();
  const auto [rest, status] = std::from_chars(number.data(), end, points, std::chars_format::fixed);
  if (number.empty() || status != std::errc() || rest != end || !(points >= 1 && points <= 144)) {
    return badValue(optionKey("caption-size"), text, "use a size in points from 1 to 144, e.g. 8");
  }
  return points;
}

Expected<CaptionSide> parseCaptionSide(std::string_view text) {
  static constexpr Named<CaptionSide> kSides[] = {{"below", CaptionSide::Below}, {"right", CaptionSide::Right}};
  return lookUpName(optionKey("caption-side"), text, kSides);
}

}  // namespace dexmora
