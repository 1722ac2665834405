#include "cli/options.h"

#include <getopt.h>

#include <charconv>
#include <string_view>
#include <vector>

#include "cli/option_table.h"
#include "dexmora_frontend/key_names.h"
#include "dexmora_text/quoting.h"

namespace {

bool parseInt(const std::string& text, int& value) {
  const char* const last = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), last, value);
  return !text.empty() && error == std::errc() && stop == last;
}

struct Text {
  std::string_view bytes;
  bool afterDoubleDash;  // "-" there is the text "-", not standard input
};

// What getopt_long found, before any value is checked together with others.
// The refusals keep the order in which they win: a missing value, then a
// switch's bad value, then the last unknown option.
struct Scan {
  RawOptions raw;
  std::vector<Text> texts;
  std::string missingValue;
  std::string badSwitch;
  std::string unknown;  // as given, without any "=VALUE"

  std::string refusal() const;
};

// "unknown option '--sise' (did you mean --size?)", weighing the library's
// keys and the command line's own long options alike.
std::string unknownOption(const std::string& name) {
  std::string message = "unknown option " + dexmora::quoted(name);
  if (name.compare(0, 2, "--") == 0) {
    std::vector<std::string_view> keys;
    for (const OwnOption& option : kOwnOptions) keys.push_back(option.key);
    for (const dexmora::OptionInfo& option : dexmora::optionTable()) keys.push_back(option.key);
    const std::string_view near = dexmora::nearestWord(std::string_view(name).substr(2), keys);
    if (!near.empty()) return message + " (did you mean --" + std::string(near) + "?)";
  }
  return message + " (put -- before a TEXT that begins with -)";
}

std::string Scan::refusal() const {
  if (!missingValue.empty()) return missingValue;
  if (!badSwitch.empty()) return badSwitch;
  if (!unknown.empty()) return unknownOption(unknown);
  return {};
}

std::string missingValueMessage(const KnownOption& option) {
  if (option.noun.empty()) return "option '--" + std::string(option.key) + "' needs a value";
  return std::string("option '-") + option.letter + "/--" + std::string(option.key) + "' needs " +
         std::string(option.noun);
}

// An option and its value (nullptr for a switch given alone) into `scan`.
void take(const KnownOption& option, const char* value, Scan& scan) {
  if (option.own == nullptr) {
    scan.raw.library[option.key] = value != nullptr ? value : "";
  } else if (option.own->flag == nullptr) {
    option.own->take(scan.raw, option.key, value);
  } else if (value == nullptr) {
    scan.raw.*(option.own->flag) = true;
  } else if (const dexmora::Expected<bool> on = dexmora::parseSwitch(option.key, value); !on) {
    if (scan.badSwitch.empty()) scan.badSwitch = on.error().message(dexmora::commandLineKey);
  } else {
    scan.raw.*(option.own->flag) = *on;
  }
}

// A long option's name as given, without "=VALUE".
std::string_view longName(std::string_view argument) { return argument.substr(0, argument.find('=')); }

// Options and TEXTs in the order given, through getopt_long in the mode that
// returns each TEXT where it stands ("-" first in the short options), so
// options may follow TEXT without the arguments being reordered.
Scan scanArguments(int argc, const char* const* argv) {
  const OptionCatalogue catalogue;
  Scan scan;
  std::vector<char*> args;
  args.reserve(static_cast<std::size_t>(argc) + 1);
  for (int i = 0; i < argc; ++i) args.push_back(const_cast<char*>(argv[i]));
  args.push_back(nullptr);
  opterr = 0;
  optind = 0;
  int element = -1;    // the argument the last option came from
  int letter = 0;      // letters of a bundle read in it so far
  int unknownAt = -1;  // an argument whose remaining letters are not read
  bool inBundle = false;
  for (;;) {
    const int at = optind == 0 ? 1 : optind;
    // glibc would take an unambiguous abbreviation ("--siz") for the option;
    // only whole names are options here.
    if (!inBundle && at < argc && std::string_view(argv[at]).compare(0, 2, "--") == 0 && argv[at][2] != '\0' &&
        catalogue.findLong(longName(argv[at]).substr(2)) == nullptr) {
      scan.unknown = longName(argv[at]);
      optind = at + 1;
      continue;
    }
    const int c = getopt_long(argc, args.data(), catalogue.shortOptions.c_str(), catalogue.longOptions.data(), nullptr);
    if (c == -1) break;
    letter = at == element ? letter + 1 : 1;
    element = at;
    inBundle = optind == at;
    if (at == unknownAt) continue;
    if (c == 1) {
      scan.texts.push_back({optarg, false});
    } else if (c == '?') {
      // The letter and what follows it in the bundle, as "-x" or "-xv".
      scan.unknown = "-" + std::string(longName(argv[at] + letter));
      unknownAt = at;
    } else if (const KnownOption* option = catalogue.find(c == ':' ? optopt : c); option == nullptr) {
      scan.unknown = longName(argv[at]);
    } else if (c == ':') {
      scan.missingValue = missingValueMessage(*option);
    } else {
      take(*option, optarg, scan);
      // --help, unless turned off again, asks for the full text whatever -h says.
      if (option->own != nullptr && option->own->flag == &RawOptions::help && c != 'h') scan.raw.longHelp = scan.raw.help;
    }
  }
  for (int i = optind; i < argc; ++i) scan.texts.push_back({argv[i], true});
  return scan;
}

// The library's options through its parsers, then the checks of them together.
std::string applyLibraryOptions(const RawOptions& raw, dexmora::OptionSet& library) {
  for (const auto& [key, value] : raw.library) {
    if (dexmora::Expected<void> set = library.set(key, value); !set) return set.error().message(dexmora::commandLineKey);
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
  const Scan scan = scanArguments(argc, argv);
  if (result.error = scan.refusal(); !result.error.empty()) return result;
  RawOptions raw = scan.raw;  // a sheet takes --xdim fit out of the library's options

  for (std::size_t i = 0; i < scan.texts.size(); ++i) {
    if (i > 0) {
      result.error = "more than one TEXT given: " + dexmora::quoted(scan.texts[i].bytes);
      return result;
    }
    options.textFromStdin = scan.texts[i].bytes == "-" && !scan.texts[i].afterDoubleDash;
    if (!options.textFromStdin) options.text = scan.texts[i].bytes;
  }
  if (raw.help) {
    options.mode = raw.longHelp ? CliMode::Help : CliMode::ShortHelp;
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
  if (raw.output) {
    options.outputPath = *raw.output;
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
  result.error = applySheetOptions(raw.sheet, raw.outline, raw.library, options.sheet);
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
