#include "dexmora_text/quoting.h"

#include "cli/verbose.h"

namespace {

// The family of the size chosen; "dmre" for the rectangles of the extension.
const char* shapeName(dexmora::SizeKind kind) {
  switch (kind) {
    case dexmora::SizeKind::Square: return "square";
    case dexmora::SizeKind::Rectangle: return "rectangle";
    case dexmora::SizeKind::Dmre: return "dmre";
  }
  return "";
}

}  // namespace

std::string symbolReport(const dexmora::Symbol& symbol, const dexmora::EncodeOptions& options,
                         std::optional<dexmora::OutputFormat> format, const std::string& path) {
  std::string line = "size=" + dexmora::sizeName(symbol) + " shape=" + shapeName(symbol.size().kind) +
                     " encodation=" + std::string(dexmora::encodationName(options.encodation())) +
                     " data_length=" + std::to_string(symbol.dataLength()) +
                     " capacity=" + std::to_string(symbol.capacity());
  if (format) line += " format=" + std::string(dexmora::formatName(*format));
  if (!path.empty()) line += " output=" + (path == "-" ? std::string("-") : dexmora::quoted(path));
  return line;
}
