#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstring>
#include <vector>

#include "cli/size_option.h"
#include "core/escape.h"

namespace {

bool parseInt(const std::string& text, int& value) {
  const char* const last = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), last, value);
  return !text.empty() && error == std::errc() && stop == last;
}

// The option values as given; checked and turned into CliOptions afterwards,
// so that every refusal can name the value in our own words.
struct RawOptions {
  bool help = false;
  bool version = false;
  bool dump = false;
  bool codewords = false;
  std::vector<std::string> size;
  std::vector<std::string> output;
  std::string shape;
  bool dmre = false;
  std::string dm144;
  std::string encodation;
  bool gs1 = false;
  bool gs1GroupSeparator = false;
  bool gs1NoCheck = false;
  std::string eci;
  bool utf8 = false;
  bool readerInit = false;
  std::string macro;
  std::string structuredAppend;
  std::string format;
  std::string module;
  std::string xdim;
  std::string dpi;
  std::string quietZone;
  std::string foreground;
  std::string background;
  bool invert = false;
  bool verify = false;
  bool batch = false;
  bool tsv = false;
  std::string jobs;
  bool quiet = false;
};

void defineOptions(CLI::App& app, RawOptions& raw) {
  app.set_help_flag();
  app.add_flag("-h,--help", raw.help);
  app.add_flag("--version", raw.version);
  app.add_flag("--dump", raw.dump);
  app.add_flag("--codewords", raw.codewords);
  // Repeated options are kept as given: the last one counts, as before.
  app.add_option("-s,--size", raw.size)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("-o,--output", raw.output)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--shape", raw.shape);
  app.add_flag("--dmre", raw.dmre);
  app.add_option("--dm144", raw.dm144);
  app.add_option("-e,--encodation", raw.encodation);
  app.add_flag("--gs1", raw.gs1);
  app.add_flag("--gs1-gs", raw.gs1GroupSeparator);
  app.add_flag("--gs1-nocheck", raw.gs1NoCheck);
  app.add_option("--eci", raw.eci);
  app.add_flag("--utf8", raw.utf8);
  app.add_flag("--reader-init", raw.readerInit);
  app.add_option("--macro", raw.macro);
  app.add_option("--structured-append", raw.structuredAppend);
  app.add_option("--format", raw.format);
  app.add_option("--module", raw.module);
  app.add_option("--xdim", raw.xdim);
  app.add_option("--dpi", raw.dpi);
  app.add_option("--quiet-zone", raw.quietZone);
  app.add_option("--fg", raw.foreground);
  app.add_option("--bg", raw.background);
  app.add_flag("--invert", raw.invert);
  app.add_flag("--verify", raw.verify);
  app.add_flag("--batch", raw.batch);
  app.add_flag("--tsv", raw.tsv);
  app.add_option("-j,--jobs", raw.jobs);
  app.add_flag("-q,--quiet", raw.quiet);
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

std::string parserError(const CLI::ParseError& e) {
  const std::string what = e.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
    const std::size_t colon = what.find(": ");
    std::string extra = colon == std::string::npos ? what : what.substr(colon + 2);
    extra = extra.substr(0, extra.find(' '));
    return "unknown option " + dexmora::quotedForMessage(extra) + " (put -- before a TEXT that begins with -)";
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr) {
    const std::string name = what.substr(0, what.find(':'));
    if (name == "--size") return "option '-s/--size' needs a size";
    if (name == "--output") return "option '-o/--output' needs a path";
    return "option '" + name + "' needs a value";
  }
  return what;
}

// Turns the checked values into options; the first problem found is returned.
std::string applyEncodeOptions(const RawOptions& raw, dexmora::EncodeOptions& encode) {
  dexmora::SizeRequest& size = encode.size;
  if (!raw.size.empty() && !parseSizeOption(raw.size.back(), size)) {
    return "bad size " + dexmora::quotedForMessage(raw.size.back()) + ": use auto, 0 or one of the sizes listed by --help";
  }
  if (!raw.shape.empty()) {
    if (raw.shape == "square") {
      size.shape = dexmora::Shape::Square;
    } else if (raw.shape == "rectangle") {
      size.shape = dexmora::Shape::Rectangle;
    } else if (raw.shape == "any") {
      size.shape = dexmora::Shape::Any;
    } else {
      return "bad shape " + dexmora::quotedForMessage(raw.shape) + ": use square, rectangle or any";
    }
  }
  if (raw.dmre) {
    if (raw.shape == "square") return "--dmre adds rectangular sizes and does not go with --shape square";
    size.dmre = true;
    if (raw.shape.empty()) size.shape = dexmora::Shape::Any;
  }
  if (!raw.dm144.empty()) {
    if (raw.dm144 == "iso") {
      encode.dm144 = dexmora::Dm144Layout::Iso;
    } else if (raw.dm144 == "defacto") {
      encode.dm144 = dexmora::Dm144Layout::Defacto;
    } else {
      return "bad --dm144 " + dexmora::quotedForMessage(raw.dm144) + ": use iso or defacto";
    }
  }

  dexmora::DataOptions& data = encode.data;
  if (!raw.encodation.empty()) {
    static constexpr struct {
      const char* name;
      dexmora::Encodation value;
    } NAMES[] = {{"basic", dexmora::Encodation::Basic}, {"minimal", dexmora::Encodation::Minimal},
                 {"ascii", dexmora::Encodation::Ascii}, {"c40", dexmora::Encodation::C40},
                 {"text", dexmora::Encodation::Text},   {"x12", dexmora::Encodation::X12},
                 {"edifact", dexmora::Encodation::Edifact}, {"base256", dexmora::Encodation::Base256}};
    bool known = false;
    for (const auto& n : NAMES) {
      if (raw.encodation == n.name) {
        data.encodation = n.value;
        known = true;
      }
    }
    if (!known) {
      return "bad encodation " + dexmora::quotedForMessage(raw.encodation) +
             ": use basic, minimal, ascii, c40, text, x12, edifact or base256";
    }
  }
  data.gs1 = raw.gs1;
  data.gs1GroupSeparator = raw.gs1GroupSeparator;
  data.gs1NoCheck = raw.gs1NoCheck;
  if (!raw.eci.empty() && !parseInt(raw.eci, data.eci)) return "bad ECI " + dexmora::quotedForMessage(raw.eci) + ": use 0 to 999999";
  if (raw.utf8) {
    if (!raw.eci.empty() && data.eci != 26) return "--utf8 is ECI 26 and does not go with --eci " + raw.eci;
    data.eci = 26;
  }
  data.readerInit = raw.readerInit;
  if (!raw.macro.empty()) {
    if (raw.macro != "05" && raw.macro != "06") return "bad --macro " + dexmora::quotedForMessage(raw.macro) + ": use 05 or 06";
    data.macro = raw.macro == "05" ? 5 : 6;
  }
  if (!raw.structuredAppend.empty()) {
    dexmora::StructuredAppend& sa = data.structuredAppend;
    const std::string& v = raw.structuredAppend;
    const std::size_t first = v.find(',');
    const std::size_t second = first == std::string::npos ? first : v.find(',', first + 1);
    const bool ok = first != std::string::npos && parseInt(v.substr(0, first), sa.position) &&
                    parseInt(v.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1),
                             sa.count) &&
                    (second == std::string::npos || parseInt(v.substr(second + 1), sa.fileId));
    if (!ok) return "bad --structured-append " + dexmora::quotedForMessage(v) + ": use POSITION,COUNT or POSITION,COUNT,ID";
  }
  if (std::optional<dexmora::Error> problem = dexmora::checkDataOptions(data)) return problem->message;
  return {};
}

// Reads one rendering option through `parse` into `field`; the first
// problem found is kept in `error`.
template <typename T, typename Parse>
void readSetting(const std::string& value, Parse parse, T& field, bool& given, std::string& error) {
  if (value.empty() || !error.empty()) return;
  auto parsed = parse(value);
  if (!parsed) {
    error = parsed.error().message;
    return;
  }
  field = *parsed;
  given = true;
}

std::string applyOutputOptions(const RawOptions& raw, CliOptions& options) {
  if (!raw.format.empty()) {
    const auto format = dexmora::parseFormat(raw.format);
    if (!format) return format.error().message;
    options.format = *format;
  } else if (options.outputGiven && !options.toStdout) {
    options.format = dexmora::formatFromExtension(options.outputPath).value_or(dexmora::OutputFormat::Png);
  }
  dexmora::RenderSettings& render = options.render;
  bool given = false;
  std::string error;
  std::optional<int> module;
  std::optional<double> xdim;
  std::optional<int> dpi;
  readSetting(raw.module, dexmora::parseModulePixels, module, given, error);
  readSetting(raw.xdim, dexmora::parseLength, xdim, given, error);
  readSetting(raw.dpi, dexmora::parseDpi, dpi, given, error);
  readSetting(raw.quietZone, dexmora::parseQuietZone, render.quietZone, given, error);
  readSetting(raw.foreground, [](const std::string& v) { return dexmora::parseColour(v, false); }, render.foreground,
              given, error);
  readSetting(raw.background, [](const std::string& v) { return dexmora::parseColour(v, true); }, render.background,
              given, error);
  if (!error.empty()) return error;
  render.modulePixels = module;
  render.xdimMm = xdim;
  render.dpi = dpi;
  render.invert = raw.invert;
  options.defaultRendering = !given && !raw.invert;
  if (!options.defaultRendering || options.format != dexmora::OutputFormat::Png) {
    const auto valid = dexmora::validateSettings(render);
    if (!valid) return valid.error().message;
    render = *valid;
  }
  options.verify = raw.verify;
  if (options.verify && options.format != dexmora::OutputFormat::Png) {
    return "--verify reads back PNG pictures only; it does not go with vector or text output";
  }
  return {};
}

// In a batch the one positional argument names the list, "-" or none
// standard input, and -o is a file name template.
std::string applyBatchOptions(const RawOptions& raw, CliOptions& options) {
  if (!raw.batch) {
    if (raw.tsv || !raw.jobs.empty() || raw.quiet) return "--tsv, --jobs and --quiet go with --batch only";
    return {};
  }
  if (options.mode != CliMode::Write) return "--batch writes files and does not go with --dump or --codewords";
  if (options.toStdout) return "a batch writes one file per line and cannot write them all to standard output";
  options.batch = true;
  options.tsv = raw.tsv;
  options.quiet = raw.quiet;
  if (!options.textFromStdin) options.batchFile = options.text;
  options.text.clear();
  if (!raw.jobs.empty() && (!parseInt(raw.jobs, options.jobs) || options.jobs < 1 || options.jobs > 1024)) {
    return "bad --jobs " + dexmora::quotedForMessage(raw.jobs) + ": use a number of threads from 1 to 1024";
  }
  return {};
}

}  // namespace

CliParseResult parseCliOptions(int argc, const char* const* argv) {
  CliParseResult result;
  CliOptions& options = result.options;
  CLI::App app;
  RawOptions raw;
  defineOptions(app, raw);
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
      result.error = "more than one TEXT given: " + dexmora::quotedForMessage(args.texts[i]);
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
  result.error = applyEncodeOptions(raw, options.encode);
  if (result.error.empty()) result.error = applyOutputOptions(raw, options);
  if (result.error.empty()) result.error = applyBatchOptions(raw, options);
  return result;
}
