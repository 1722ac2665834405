#include "cli/options.h"

#include <charconv>
#include <cstring>

#include "encoder/symbol_tables.h"

namespace {

bool isSelectableSize(int32_t size) {
  for (int32_t selectable : SelectableSizes) {
    if (selectable == size) return true;
  }
  return false;
}

// Matches an option that takes a value in any of its spellings: "-s N",
// "-sN", "--size N" and "--size=N". Advances `index` past a separate value.
// Returns false when `arg` is not this option; sets `missing` when the value
// is absent.
bool takeValueOption(const char* arg, const char* shortName, const char* longName, int argc,
                     const char* const* argv, int& index, std::string& value, bool& missing) {
  const char* attached = nullptr;
  std::size_t longLength = std::strlen(longName);
  if (std::strncmp(arg, longName, longLength) == 0 && arg[longLength] == '=') {
    attached = arg + longLength + 1;
  } else if (std::strncmp(arg, shortName, 2) == 0 && arg[2] != '\0') {
    attached = arg + 2;
  } else if (std::strcmp(arg, shortName) != 0 && std::strcmp(arg, longName) != 0) {
    return false;
  }
  if (attached != nullptr) {
    value = attached;
  } else if (index + 1 < argc) {
    value = argv[++index];
  } else {
    missing = true;
  }
  return true;
}

// --dump and --codewords each replace the picture by one printout.
std::string setPrintMode(CliOptions& options, CliMode mode) {
  if (options.mode != CliMode::Write && options.mode != mode) return "--dump and --codewords exclude each other";
  options.mode = mode;
  return {};
}

// "auto" and "0" give 0, otherwise the value must be one of the selectable
// symbol sizes; anything else gives -1.
int32_t parseCliSize(const std::string& value) {
  if (value == "auto") return 0;
  int32_t size = -1;
  const char* end = value.data() + value.size();
  auto [stop, error] = std::from_chars(value.data(), end, size);
  if (value.empty() || error != std::errc() || stop != end) return -1;
  if (size == 0 || isSelectableSize(size)) return size;
  return -1;
}

}  // namespace

CliParseResult parseCliOptions(int argc, const char* const* argv) {
  CliParseResult result;
  CliOptions& options = result.options;
  bool wantHelp = false;
  bool wantVersion = false;
  bool outputGiven = false;
  bool textGiven = false;
  bool optionsEnded = false;

  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    bool isOption = !optionsEnded && arg[0] == '-' && arg[1] != '\0';
    if (!isOption) {
      if (textGiven) return {options, std::string("more than one TEXT given: '") + arg + "'"};
      textGiven = true;
      options.textFromStdin = std::strcmp(arg, "-") == 0 && !optionsEnded;
      if (!options.textFromStdin) options.text = arg;
      continue;
    }
    std::string value;
    bool missing = false;
    if (std::strcmp(arg, "--") == 0) {
      optionsEnded = true;
    } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      wantHelp = true;
    } else if (std::strcmp(arg, "--version") == 0) {
      wantVersion = true;
    } else if (std::strcmp(arg, "--dump") == 0 || std::strcmp(arg, "--codewords") == 0) {
      std::string error = setPrintMode(options, arg[2] == 'd' ? CliMode::Dump : CliMode::Codewords);
      if (!error.empty()) return {options, error};
    } else if (takeValueOption(arg, "-s", "--size", argc, argv, i, value, missing)) {
      if (missing) return {options, std::string("option '") + arg + "' needs a size"};
      options.size = parseCliSize(value);
      if (options.size < 0) {
        return {options, "bad size '" + value + "': use auto, 0 or one of the sizes listed by --help"};
      }
    } else if (takeValueOption(arg, "-o", "--output", argc, argv, i, value, missing)) {
      if (missing) return {options, std::string("option '") + arg + "' needs a path"};
      if (value.empty()) return {options, "the output path is empty"};
      options.outputPath = value;
      outputGiven = true;
    } else {
      return {options, std::string("unknown option '") + arg + "' (put -- before a TEXT that begins with -)"};
    }
  }

  if (wantHelp) {
    options.mode = CliMode::Help;
  } else if (wantVersion) {
    options.mode = CliMode::Version;
  } else if (outputGiven && options.mode != CliMode::Write) {
    return {options, "--output does not go with --dump or --codewords, which write no file"};
  }
  return result;
}
