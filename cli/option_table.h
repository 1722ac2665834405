#pragma once

// The command line's options: its own in kOwnOptions, the library's from
// dexmora::optionTable(), and both as getopt_long takes them.
#include <getopt.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/sheet_options.h"

// The options as given, before any is checked against another. The
// library's keep the last value of each, applied in key order.
struct RawOptions {
  bool help = false;
  bool longHelp = false;  // --help was given, so help is the full text rather than -h's short one
  bool version = false;
  bool dump = false;
  bool codewords = false;
  std::optional<std::string> output;  // the last -o, kept as given
  bool verify = false;
  bool verbose = false;
  bool batch = false;
  bool tsv = false;
  bool tsvHeader = false;
  bool tsvAnyName = false;
  std::string jobs;  // empty when not given
  bool quiet = false;
  RawSheetOptions sheet;  // --sheet and the options that lay a sheet out
  bool outline = false;
  std::map<std::string_view, std::string_view> library;  // views into the table and argv
};

// One of the command line's own options: a switch sets its flag (to the
// value after "=", when given, read as the library reads a switch); an
// option with a value hands it to `take`. A new option is an entry here,
// a field of RawOptions and its handling in parseCliOptions.
struct OwnOption {
  std::string_view key;  // the long option without "--"
  char letter;           // the short form, or 0
  bool RawOptions::*flag;
  void (*take)(RawOptions&, std::string_view key, const char* value);
  std::string_view noun = {};  // "needs a path" rather than "needs a value", with the short form named
};

// A sheet option's value, kept under its key for the sheet module to parse.
inline void takeSheetValue(RawOptions& raw, std::string_view key, const char* value) { raw.sheet.values[key] = value; }

inline constexpr OwnOption kOwnOptions[] = {
    {"help", 'h', &RawOptions::help, nullptr},
    {"version", 0, &RawOptions::version, nullptr},
    {"dump", 0, &RawOptions::dump, nullptr},
    {"codewords", 0, &RawOptions::codewords, nullptr},
    {"output", 'o', nullptr, [](RawOptions& raw, std::string_view, const char* value) { raw.output = value; }, "a path"},
    {"verify", 0, &RawOptions::verify, nullptr},
    {"verbose", 'v', &RawOptions::verbose, nullptr},
    {"batch", 0, &RawOptions::batch, nullptr},
    {"tsv", 0, &RawOptions::tsv, nullptr},
    {"tsv-header", 0, &RawOptions::tsvHeader, nullptr},
    {"tsv-any-name", 0, &RawOptions::tsvAnyName, nullptr},
    {"jobs", 'j', nullptr, [](RawOptions& raw, std::string_view, const char* value) { raw.jobs = value; }},
    {"quiet", 'q', &RawOptions::quiet, nullptr},
    {"sheet", 0, nullptr, takeSheetValue, "a paper"},
    {"grid", 0, nullptr, takeSheetValue},
    {"cell", 0, nullptr, takeSheetValue},
    {"sheet-margin", 0, nullptr, takeSheetValue},
    {"pitch", 0, nullptr, takeSheetValue},
    {"skip", 0, nullptr, takeSheetValue},
    {"caption", 0, nullptr, takeSheetValue},
    {"caption-side", 0, nullptr, takeSheetValue},
    {"caption-size", 0, nullptr, takeSheetValue},
    {"font", 0, nullptr, takeSheetValue},
    {"outline", 0, &RawOptions::outline, nullptr},
};

// The library's options the command line gives a short form.
struct LibraryShortForm {
  std::string_view key;
  char letter;
  std::string_view noun;
};

inline constexpr LibraryShortForm kLibraryShortForms[] = {{"size", 's', "a size"}, {"encodation", 'e', {}}};

// An option of either kind.
struct KnownOption {
  std::string_view key;
  char letter;  // or 0
  bool isSwitch;
  const OwnOption* own;   // nullptr for the library's
  std::string_view noun;  // see OwnOption
};

// Every option, and the tables getopt_long reads: a long option returns
// kLongBase + its index, a short one its letter.
struct OptionCatalogue {
  static constexpr int kLongBase = 256;

  OptionCatalogue();
  OptionCatalogue(const OptionCatalogue&) = delete;  // longOptions points into names
  OptionCatalogue& operator=(const OptionCatalogue&) = delete;

  std::vector<KnownOption> options;
  std::string names;  // the long names, each ending in NUL, for getopt_long
  std::vector<option> longOptions;
  std::string shortOptions;

  const KnownOption* findLong(std::string_view key) const;
  // What getopt_long returned for an option (or put in optopt), or nullptr.
  const KnownOption* find(int returned) const;
};
