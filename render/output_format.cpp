#include "render/output_format.h"

#include <cctype>

#include "core/escape.h"
#include "render/eps.h"
#include "render/png.h"
#include "render/png_compact.h"
#include "render/raster.h"
#include "render/svg.h"
#include "render/terminal_text.h"
#include "render/vector_pdf.h"

namespace dexmora {

namespace {

struct FormatName {
  std::string_view name;
  OutputFormat format;
};
constexpr FormatName FORMAT_NAMES[] = {{"png", OutputFormat::Png},
                                       {"svg", OutputFormat::Svg},
                                       {"pdf", OutputFormat::Pdf},
                                       {"eps", OutputFormat::Eps},
                                       {"txt", OutputFormat::Txt}};

std::optional<OutputFormat> lookUp(std::string_view name) {
  std::string lower;
  for (const char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const FormatName& entry : FORMAT_NAMES) {
    if (entry.name == lower) return entry.format;
  }
  return std::nullopt;
}

}  // namespace

std::optional<OutputFormat> formatFromExtension(std::string_view path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return std::nullopt;
  return lookUp(path.substr(dot + 1));
}

Expected<OutputFormat> parseFormat(std::string_view name) {
  if (const std::optional<OutputFormat> format = lookUp(name)) return *format;
  return Error{ErrorCode::BadOption,
               "format \"" + escapeControlBytes(name) + "\" is not one of png, svg, pdf, eps, txt"};
}

Expected<std::string> renderOutput(const Symbol& symbol, OutputFormat format, const RenderSettings& settings,
                                   bool defaultRendering) {
  if (format == OutputFormat::Png && defaultRendering) return encodePngRgb(rasterizeDefault(symbol));
  const Expected<RenderSettings> valid = validateSettings(settings);
  if (!valid) return valid.error();
  switch (format) {
    case OutputFormat::Png:
      return encodePngCompact(symbol, paintColours(*valid), pngGeometry(*valid));
    case OutputFormat::Svg:
      return renderSvg(symbol, *valid);
    case OutputFormat::Pdf:
      return renderPdf(symbol, *valid);
    case OutputFormat::Eps:
      return renderEps(symbol, *valid);
    case OutputFormat::Txt:
      return renderTerminalText(symbol, *valid);
  }
  return Error{ErrorCode::BadOption, "unknown output format"};
}

}  // namespace dexmora
