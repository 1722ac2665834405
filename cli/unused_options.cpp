#include "cli/unused_options.h"

#include <dexmora/sizes.h>

namespace {

// "--a", "--a and --b", "--a, --b and --c", with the verb that agrees.
std::string listed(const std::vector<std::string>& keys) {
  std::string text;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) text += i + 1 == keys.size() ? " and " : ", ";
    text += "--" + keys[i];
  }
  return text + (keys.size() == 1 ? " has" : " have");
}

// The size options that a size named by -s overrides: it falls back only
// within its own shape, and DMRE sizes join only a rectangle's fallback.
std::vector<std::string> sizeWarnings(const CliOptions& options) {
  const dexmora::EncodeOptions& encode = options.encode();
  const dexmora::OptionSet& given = options.library;
  std::vector<std::string> warnings;
  if (encode.sizeRows() == 0) return warnings;
  const dexmora::SymbolSize* asked = dexmora::findSymbolSize(encode.sizeRows(), encode.sizeCols());
  const bool dmreCounts = !encode.exactSize() && asked != nullptr && asked->kind == dexmora::SizeKind::Rectangle;
  std::vector<std::string> overridden;
  if (given.given("shape")) overridden.push_back("shape");
  if (given.given("dmre") && !dmreCounts) overridden.push_back("dmre");
  if (!overridden.empty()) warnings.push_back(listed(overridden) + " no effect when -s names the size");
  return warnings;
}

std::string upperName(dexmora::OutputFormat format) {
  std::string name(dexmora::formatName(format));
  for (char& c : name) c = static_cast<char>(c - 'a' + 'A');
  return name;
}

// The picture options `format` ignores, and why.
struct Ignored {
  std::vector<std::string> keys;
  std::string why;
};

Ignored ignoredBy(const CliOptions& options, std::optional<dexmora::OutputFormat> format) {
  const dexmora::OptionSet& given = options.library;
  const auto pick = [&](std::initializer_list<const char*> keys) {
    std::vector<std::string> picked;
    for (const char* key : keys)
      if (given.given(key)) picked.push_back(key);
    return picked;
  };
  if (!format) {
    std::vector<std::string> keys = pick({"format", "module", "xdim", "dpi", "quiet-zone", "fg", "bg", "invert"});
    if (options.verify) keys.push_back("verify");
    const bool dump = options.mode == CliMode::Dump;
    return {keys, dump ? "--dump, which prints the modules as 0 and 1" : "--codewords, which prints numbers"};
  }
  switch (*format) {
    case dexmora::OutputFormat::Png: return {};
    case dexmora::OutputFormat::Svg: {
      std::vector<std::string> keys = pick({"dpi"});
      if (given.given("xdim") && given.given("module")) keys.insert(keys.begin(), "module");
      return {keys, "SVG output, which is sized by --xdim, or by --module units a module without it"};
    }
    case dexmora::OutputFormat::Pdf:
    case dexmora::OutputFormat::Eps:
      return {pick({"module", "dpi"}), upperName(*format) + " output, which is drawn at --xdim (0.5mm when not given)"};
    case dexmora::OutputFormat::Txt:
      return {pick({"module", "xdim", "dpi", "fg", "bg"}),
              "the terminal preview (txt), which is drawn in the terminal's own colours and cells"};
  }
  return {};
}

}  // namespace

std::vector<std::string> unusedOptionWarnings(const CliOptions& options, std::optional<dexmora::OutputFormat> format) {
  std::vector<std::string> warnings = sizeWarnings(options);
  const Ignored ignored = ignoredBy(options, format);
  if (!ignored.keys.empty()) warnings.push_back(listed(ignored.keys) + " no effect on " + ignored.why);
  // --verify of a single run is refused for other formats; a batch may mix them.
  if (format && *format != dexmora::OutputFormat::Png && options.verify) {
    warnings.push_back("--verify has no effect on " + upperName(*format) + " output: it reads back PNG pictures only");
  }
  return warnings;
}
