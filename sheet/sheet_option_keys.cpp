#include <dexmora/sheet.h>

#include <dexmora/option_set.h>

#include "core/option_text.h"
#include "dexmora_text/quoting.h"

namespace dexmora {

namespace {

struct Key {
  std::string_view key;
  Expected<void> (*set)(SheetSettings&, std::string_view);
};

template <typename T>
Expected<void> apply(Expected<T> parsed, void (SheetSettings::*set)(const T&), SheetSettings& settings) {
  if (!parsed) return parsed.error();
  (settings.*set)(*parsed);
  return {};
}

Expected<void> setSkip(SheetSettings& settings, std::string_view text) {
  int skip = 0;
  if (!parseWholeNumber(text, 0, 10000, skip)) return badValue(optionKey("skip"), text, "use a number of cells from 0");
  settings.setSkip(skip);
  return {};
}

constexpr Key kKeys[] = {
    {"sheet", [](SheetSettings& s, std::string_view v) { return apply(parsePaper(v), &SheetSettings::setPaper, s); }},
    {"grid", [](SheetSettings& s, std::string_view v) { return apply(parseGrid(v), &SheetSettings::setGrid, s); }},
    {"cell",
     [](SheetSettings& s, std::string_view v) -> Expected<void> {
       Expected<SheetExtent> cell = parseCellSize(v);
       if (!cell) return cell.error();
       s.setCell(*cell);
       return {};
     }},
    {"sheet-margin",
     [](SheetSettings& s, std::string_view v) -> Expected<void> {
       Expected<SheetPair> margin = parseMargin(v);
       if (!margin) return margin.error();
       s.setMargin(*margin);
       return {};
     }},
    {"pitch",
     [](SheetSettings& s, std::string_view v) -> Expected<void> {
       Expected<SheetPair> pitch = parsePitch(v);
       if (!pitch) return pitch.error();
       s.setPitch(*pitch);
       return {};
     }},
    {"skip", setSkip},
    {"caption-side",
     [](SheetSettings& s, std::string_view v) -> Expected<void> {
       Expected<CaptionSide> side = parseCaptionSide(v);
       if (!side) return side.error();
       s.setCaptionSide(*side);
       return {};
     }},
    {"caption-size",
     [](SheetSettings& s, std::string_view v) -> Expected<void> {
       Expected<double> size = parseCaptionSize(v);
       if (!size) return size.error();
       s.setCaptionSize(*size);
       return {};
     }},
    {"font",
     [](SheetSettings& s, std::string_view v) -> Expected<void> {
       if (v.empty()) return badValue(optionKey("font"), v, "use a fontconfig pattern such as sans-serif");
       s.setFont(std::string(v));
       return {};
     }},
    {"outline",
     [](SheetSettings& s, std::string_view v) -> Expected<void> {
       Expected<bool> on = parseSwitch("outline", v);
       if (!on) return on.error();
       s.setOutline(*on);
       return {};
     }},
    {"xdim",
     [](SheetSettings& s, std::string_view v) -> Expected<void> {
       if (v != "fit") return badValue(optionKey("xdim"), v, "a sheet takes fit or a length such as 0.5mm");
       s.setXdimFit(true);
       return {};
     }},
};

}  // namespace

bool isSheetOption(std::string_view key, std::string_view value) {
  if (key == "xdim") return value == "fit";
  for (const Key& entry : kKeys)
    if (entry.key == key) return true;
  return false;
}

Expected<void> setSheetOption(SheetSettings& settings, std::string_view key, std::string_view value) {
  for (const Key& entry : kKeys)
    if (entry.key == key) return entry.set(settings, value);
  return Error(ErrorCode::BadOption, "unknown sheet option " + quoted(key));
}

}  // namespace dexmora
