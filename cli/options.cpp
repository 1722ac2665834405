#include "dexmora_frontend/key_spelling.h"
#include "dexmora_text/quoting.h"

#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstring>
#include <map>
#include <vector>

namespace {

bool parseInt(const std::string& text, int& value) {
  const char* const last = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), last, value);
  return !text.empty() && error == std::errc() && stop == last;
}

// The front end's own options; the library's are read by key from the table.
struct RawOptions {
  bool help = false;
  bool version = false;
  bool dump = false;
  bool codewords = false;
  std::vector<std::string> output;
  bool verify = false;
  bool verbose = false;
  bool batch = false;
  bool tsv = false;
  bool tsvHeader = false;
  bool tsvAnyName = false;
  std::string jobs;
  bool quiet = false;
  RawSheetOptions sheet;
  // The library's options as given, each value kept: the last one counts.
  std::map<std::string, std::vector<std::string>> library;
};

// The short form of an option, or 0.
char shortName(std::string_view key) {
  if (key == "size") return 's';
  if (key == "encodation") return 'e';
  return 0;
}

// CLI11's names for an option: "-s,--size" or "--shape".
std::string cliNames(std::string_view key, char letter) {
  const std::string longName = "--" + std::string(key);
  return letter ? std::string("-") + letter + "," + longName : longName;
}

// A sheet option given any number of times; the last one counts.
void sheetOption(CLI::App& app, RawOptions& raw, const char* key) {
  app.add_option(std::string("--") + key, raw.sheet.values[key])->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

// The command line's own options, beside the library's from its table.
struct OwnOption {
  std::string_view key;
  char letter;
  void (*define)(CLI::App&, RawOptions&);
};

constexpr OwnOption kOwnOptions[] = {
    {"help", 'h', [](CLI::App& app, RawOptions& raw) { app.add_flag("-h,--help", raw.help); }},
    {"version", 0, [](CLI::App& app, RawOptions& raw) { app.add_flag("--version", raw.version); }},
    {"dump", 0, [](CLI::App& app, RawOptions& raw) { app.add_flag("--dump", raw.dump); }},
    {"codewords", 0, [](CLI::App& app, RawOptions& raw) { app.add_flag("--codewords", raw.codewords); }},
    // Repeated options are kept as given: the last one counts.
    {"output", 'o',
     [](CLI::App& app, RawOptions& raw) {
       app.add_option("-o,--output", raw.output)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
     }},
    {"verify", 0, [](CLI::App& app, RawOptions& raw) { app.add_flag("--verify", raw.verify); }},
    {"verbose", 'v', [](CLI::App& app, RawOptions& raw) { app.add_flag("-v,--verbose", raw.verbose); }},
    {"batch", 0, [](CLI::App& app, RawOptions& raw) { app.add_flag("--batch", raw.batch); }},
    {"tsv", 0, [](CLI::App& app, RawOptions& raw) { app.add_flag("--tsv", raw.tsv); }},
    {"tsv-header", 0, [](CLI::App& app, RawOptions& raw) { app.add_flag("--tsv-header", raw.tsvHeader); }},
    {"tsv-any-name", 0, [](CLI::App& app, RawOptions& raw) { app.add_flag("--tsv-any-name", raw.tsvAnyName); }},
    {"jobs", 'j', [](CLI::App& app, RawOptions& raw) { app.add_option("-j,--jobs", raw.jobs); }},
    {"quiet", 'q', [](CLI::App& app, RawOptions& raw) { app.add_flag("-q,--quiet", raw.quiet); }},
    {"sheet", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "sheet"); }},
    {"grid", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "grid"); }},
    {"cell", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "cell"); }},
    {"sheet-margin", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "sheet-margin"); }},
    {"pitch", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "pitch"); }},
    {"skip", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "skip"); }},
    {"caption", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "caption"); }},
    {"caption-side", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "caption-side"); }},
    {"caption-size", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "caption-size"); }},
    {"font", 0, [](CLI::App& app, RawOptions& raw) { sheetOption(app, raw, "font"); }},
    {"outline", 0, [](CLI::App& app, RawOptions& raw) { app.add_flag("--outline", raw.sheet.outline); }},
};

// The options the arguments name: long ones by name, and whether any short
// form (which may bundle several, as -qv) appears.
struct NamedOptions {
  std::vector<std::string_view> longNames;
  bool anyShort = false;

  bool wants(std::string_view key, char letter) const {
    if (letter && anyShort) return true;
    for (const std::string_view name : longNames)
      if (name == key) return true;
    return false;
  }
};

NamedOptions namedOptions(int argc, const char* const* argv) {
  NamedOptions named;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      named.longNames.push_back(arg.substr(2, arg.find('=') == std::string_view::npos ? arg.npos : arg.find('=') - 2));
    } else if (arg.size() > 1 && arg[0] == '-') {
      named.anyShort = true;
    }
  }
  return named;
}

// Declaring an option costs CLI11 far more than parsing one, and a run names
// few of them: only those are declared. An option the arguments do not name
// cannot be given, and a name that is no option stays undeclared and unknown.
void defineOptions(CLI::App& app, RawOptions& raw, const NamedOptions& named) {
  app.set_help_flag();
  for (const OwnOption& option : kOwnOptions) {
    if (named.wants(option.key, option.letter)) option.define(app, raw);
  }
  for (const dexmora::OptionInfo& info : dexmora::optionTable()) {
    const char letter = shortName(info.key);
    if (!named.wants(info.key, letter)) continue;
    std::vector<std::string>& values = raw.library[std::string(info.key)];
    if (info.isSwitch) {
      app.add_flag_function(cliNames(info.key, letter), [&values](std::int64_t) { values.push_back(""); });
    } else {
      app.add_option(cliNames(info.key, letter), values)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    }
  }
}

// The arguments sorted into options (with their values) for CLI11 and TEXTs
// for us, so that the usual conventions hold where CLI11 reads a form
// differently: an empty TEXT ("") is a text, "--name=" gives the option an
// empty value, and everything after "--" is TEXT.
struct Arguments {
  std::vector<std::string> options;
  std::vector<std::string> texts;
  std::vector<bool> afterDoubleDash;  // per TEXT
};

Arguments sortArguments(const CLI::App& app, int argc, const char* const* argv) {
  Arguments args;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      args.texts.push_back(arg);
      args.afterDoubleDash.push_back(optionsEnded);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const bool isLong = arg.compare(0, 2, "--") == 0;
    if (isLong && equals == arg.size() - 1) {
      args.options.push_back(arg.substr(0, equals));
      args.options.push_back("");
      continue;
    }
    args.options.push_back(arg);
    // A value option written apart from its value takes the next argument.
    const bool apart = isLong ? equals == std::string::npos : arg.size() == 2;
    const CLI::Option* option = apart ? app.get_option_no_throw(arg) : nullptr;
    if (option != nullptr && option->get_expected_min() > 0 && i + 1 < argc) args.options.push_back(argv[++i]);
  }
  return args;
}

// "unknown option '--sise' (did you mean --size?)", weighing the library's
// keys and the command line's own long options alike.
std::string unknownOption(const std::string& given) {
  const std::string name = given.substr(0, given.find('='));
  std::string message = "unknown option " + dexmora::quoted(name);
  if (name.compare(0, 2, "--") == 0) {
    std::vector<std::string_view> ownKeys;
    for (const OwnOption& option : kOwnOptions) ownKeys.push_back(option.key);
    for (const dexmora::OptionInfo& option : dexmora::optionTable()) ownKeys.push_back(option.key);
    const std::string_view near = dexmora::nearestWord(std::string_view(name).substr(2), ownKeys);
    if (!near.empty()) return message + " (did you mean --" + std::string(near) + "?)";
  }
  return message + " (put -- before a TEXT that begins with -)";
}

std::string parserError(const CLI::ParseError& e) {
  const std::string what = e.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
    const std::size_t colon = what.find(": ");
    std::string extra = colon == std::string::npos ? what : what.substr(colon + 2);
    return unknownOption(extra.substr(0, extra.find(' ')));
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr) {
    const std::string name = what.substr(0, what.find(':'));
    if (name == "--size") return "option '-s/--size' needs a size";
    if (name == "--output") return "option '-o/--output' needs a path";
    return "option '" + name + "' needs a value";
  }
  return what;
}

// The library's options through its parsers, then the checks of them together.
std::string applyLibraryOptions(const RawOptions& raw, dexmora::OptionSet& library) {
  for (const auto& [key, values] : raw.library) {
    if (values.empty()) continue;
    if (dexmora::Expected<void> set = library.set(key, values.back()); !set) return set.error().message(dexmora::commandLineKey);
  }
  if (dexmora::Expected<void> finished = library.finish(); !finished) return finished.error().message(dexmora::commandLineKey);
  return {};
}

std::string applyOutputOptions(const RawOptions& raw, CliOptions& options) {
  const std::optional<dexmora::OutputFormat> asked = options.library.format();
  // --format alone names the file after the format; a preview goes to the terminal.
  if (asked && !options.outputGiven && options.mode == CliMode::Write) {
    if (*asked == dexmora::OutputFormat::Txt) {
      options.toStdout = true;
      options.outputPath = "-";
    } else {
      options.outputPath = "output." + std::string(dexmora::formatName(*asked));
    }
  }
  // --dump and --codewords write no file, so they have no format to check.
  if (!raw.batch && options.mode == CliMode::Write) {
    const dexmora::Expected<dexmora::OutputFormat> format = dexmora::formatForPath(options.outputPath, asked);
    if (!format) return format.error().message(dexmora::commandLineKey);
    options.format = *format;
  }
  options.verify = raw.verify;
  options.verbose = raw.verbose;
  if (options.verify && !raw.batch && options.format != dexmora::OutputFormat::Png) {
    return "--verify reads back PNG pictures only; it does not go with vector or text output";
  }
  return {};
}

// In a batch the one positional argument names the list, "-" or none
// standard input, and -o is a file name template.
std::string applyBatchOptions(const RawOptions& raw, CliOptions& options) {
  if (!raw.batch) {
    if (raw.tsv || raw.tsvHeader || raw.tsvAnyName || !raw.jobs.empty() || raw.quiet) {
      return "--tsv, --tsv-header, --tsv-any-name, --jobs and --quiet go with --batch only";
    }
    return {};
  }
  if (options.mode != CliMode::Write) return "--batch writes files and does not go with --dump or --codewords";
  if (options.toStdout && !options.sheet.on) {
    return "a batch writes one file per line and cannot write them all to standard output";
  }
  options.batch = true;
  if ((raw.tsvHeader || raw.tsvAnyName) && !raw.tsv) return "--tsv-header and --tsv-any-name go with --tsv only";
  options.tsv = raw.tsv;
  options.tsvHeader = raw.tsvHeader;
  options.tsvAnyName = raw.tsvAnyName;
  options.quiet = raw.quiet;
  if (!options.textFromStdin) options.batchFile = options.text;
  options.text.clear();
  if (!raw.jobs.empty() && (!parseInt(raw.jobs, options.jobs) || options.jobs < 1 || options.jobs > 1024)) {
    return "bad --jobs " + dexmora::quoted(raw.jobs) + ": use a number of threads from 1 to 1024";
  }
  return {};
}

}  // namespace

CliParseResult parseCliOptions(int argc, const char* const* argv) {
  CliParseResult result;
  CliOptions& options = result.options;
  CLI::App app;
  RawOptions raw;
  defineOptions(app, raw, namedOptions(argc, argv));
  Arguments args = sortArguments(app, argc, argv);
  std::vector<std::string> reversed(args.options.rbegin(), args.options.rend());  // CLI11 pops from the back
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    result.error = parserError(e);
    return result;
  }

  for (std::size_t i = 0; i < args.texts.size(); ++i) {
    if (i > 0) {
      result.error = "more than one TEXT given: " + dexmora::quoted(args.texts[i]);
      return result;
    }
    options.textFromStdin = args.texts[i] == "-" && !args.afterDoubleDash[i];
    if (!options.textFromStdin) options.text = args.texts[i];
  }
  if (raw.help) {
    options.mode = CliMode::Help;
    return result;
  }
  if (raw.version) {
    options.mode = CliMode::Version;
    return result;
  }
  if (raw.dump && raw.codewords) {
    result.error = "--dump and --codewords exclude each other";
    return result;
  }
  options.mode = raw.dump ? CliMode::Dump : raw.codewords ? CliMode::Codewords : CliMode::Write;
  if (!raw.output.empty()) {
    options.outputPath = raw.output.back();
    options.outputGiven = true;
    options.toStdout = options.outputPath == "-";
    if (options.outputPath.empty()) {
      result.error = "the output path is empty";
      return result;
    }
    if (options.mode != CliMode::Write) {
      result.error = "--output does not go with --dump or --codewords, which write no file";
      return result;
    }
  }
  result.error = applySheetOptions(raw.sheet, raw.library, options.sheet);
  if (options.sheet.on && !options.outputGiven) options.outputPath = "output.pdf";
  if (result.error.empty()) result.error = applyLibraryOptions(raw, options.library);
  if (result.error.empty()) result.error = applyOutputOptions(raw, options);
  if (result.error.empty()) result.error = applyBatchOptions(raw, options);
  if (result.error.empty()) {
    result.error = finishSheetOptions(options.sheet, raw.library, options.tsv, options.verify,
                                      options.mode != CliMode::Write, options.library.format(),
                                      options.toStdout ? "" : options.outputPath);
  }
  return result;
}
