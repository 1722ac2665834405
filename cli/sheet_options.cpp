#include "cli/sheet_options.h"

#include <dexmora/sheet.h>

#include "dexmora_frontend/key_names.h"
#include "dexmora_text/quoting.h"

std::string applySheetOptions(const RawSheetOptions& raw, bool outline,
                              std::map<std::string_view, std::string_view>& library, CliSheet& sheet) {
  std::vector<std::pair<std::string, std::string>>& given = sheet.options;
  for (const auto& [key, value] : raw.values) given.emplace_back(key, value);
  if (outline) given.emplace_back("outline", "1");
  if (const auto xdim = library.find("xdim"); xdim != library.end() && xdim->second == "fit") {
    given.emplace_back("xdim", "fit");
    library.erase(xdim);
  }
  sheet.on = raw.values.count("sheet") > 0;
  if (!sheet.on) {
    if (given.empty()) return {};
    return "--grid, --cell, --sheet-margin, --pitch, --skip, --caption, --caption-side, --caption-size, --font, "
           "--outline and --xdim fit go with --sheet only";
  }
  dexmora::SheetSettings settings;
  for (const auto& [key, value] : given) {
    if (key == "caption") {
      dexmora::Expected<dexmora::CaptionTemplate> caption = dexmora::CaptionTemplate::parse(value);
      if (!caption) return caption.error().message(dexmora::commandLineKey);
      sheet.captionUsesName = caption->usesName();
    } else if (dexmora::Expected<void> set = dexmora::setSheetOption(settings, key, value); !set) {
      return set.error().message(dexmora::commandLineKey);
    }
  }
  // A layout that cannot be is a usage error before any input is read.
  if (dexmora::Expected<dexmora::SheetLayout> layout = dexmora::SheetLayout::make(settings); !layout) {
    return layout.error().message(dexmora::commandLineKey);
  }
  return {};
}

std::string finishSheetOptions(CliSheet& sheet, const std::map<std::string_view, std::string_view>& library,
                               bool tsv, bool verify, bool dump, const std::optional<dexmora::OutputFormat>& format,
                               const std::string& path) {
  if (!sheet.on) return {};
  for (const auto& [key, value] : library) sheet.options.emplace_back(key, value);
  if (dump) return "--sheet writes a PDF and does not go with --dump or --codewords";
  if (verify) return "--verify reads back PNG pictures only; it does not go with --sheet";
  if (format && *format != dexmora::OutputFormat::Pdf) return "--sheet writes a PDF; --format asks for another format";
  if (!path.empty() && !dexmora::formatForPath(path, dexmora::OutputFormat::Pdf)) {
    return "--sheet writes one PDF, and " + dexmora::quoted(path) + " names a file of another format";
  }
  if (sheet.captionUsesName && !tsv) return "--caption with {name} needs --batch --tsv, whose lines have names";
  return {};
}
