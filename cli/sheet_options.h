#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <dexmora/render.h>

// The sheet options as given, by key ("sheet", "grid", ..., "caption"): the
// last value of each, views into the option table and argv.
struct RawSheetOptions {
  std::map<std::string_view, std::string_view> values;
};

// What --sheet asks for: one PDF of labels laid out in cells, made by the
// sheet module from these options (cli/sheet_module.h).
struct CliSheet {
  bool on = false;
  // Every option the module takes, in the command line's words: the sheet's,
  // "caption", and the library's (the last value of each).
  std::vector<std::pair<std::string, std::string>> options;
  bool captionUsesName = false;
};

// Checks the sheet options (their values and the layout they make) and
// takes "--xdim fit" out of the library's options, where it is no length.
// "" or the message refusing them.
std::string applySheetOptions(const RawSheetOptions& raw, bool outline,
                              std::map<std::string_view, std::string_view>& library, CliSheet& sheet);

// Once every other option is known: adds the library's options and says
// what a sheet does not go with, a `path` that names another format
// included ("" when nothing).
std::string finishSheetOptions(CliSheet& sheet, const std::map<std::string_view, std::string_view>& library,
                               bool tsv, bool verify, bool dump, const std::optional<dexmora::OutputFormat>& format,
                               const std::string& path);
