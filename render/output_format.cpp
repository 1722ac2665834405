#include <dexmora/render.h>

#include "render/render_parsers.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "core/option_text.h"
#include "render/eps.h"
#include "render/png.h"
#include "render/png_compact.h"
#include "render/raster.h"
#include "render/svg.h"
#include "render/terminal_text.h"
#include "render/vector_pdf.h"

namespace dexmora {

namespace {

struct FormatEntry {
  std::string_view name;
  OutputFormat format;
  std::string_view mediaType;
};
constexpr FormatEntry kFormats[] = {{"png", OutputFormat::Png, "image/png"},
                                    {"svg", OutputFormat::Svg, "image/svg+xml"},
                                    {"pdf", OutputFormat::Pdf, "application/pdf"},
                                    {"eps", OutputFormat::Eps, "application/postscript"},
                                    {"txt", OutputFormat::Txt, "text/plain; charset=utf-8"}};

// Extensions of picture formats this library does not write: a file named
// so would hold PNG bytes under a name that promises something else.
constexpr std::string_view kForeignExtensions[] = {"jpg", "jpeg", "gif", "bmp", "tif", "tiff", "webp"};

const FormatEntry* lookUp(std::string_view name) {
  const std::string lower = lowerCase(name);
  for (const FormatEntry& entry : kFormats)
    if (entry.name == lower) return &entry;
  return nullptr;
}

const FormatEntry& entryOf(OutputFormat format) {
  for (const FormatEntry& entry : kFormats)
    if (entry.format == format) return entry;
  return kFormats[0];
}

// The extension of the last path component, "" when it has none.
std::string_view extensionOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  return name.substr(dot + 1);
}

Expected<Rendering> renderPng(const Symbol& symbol, const RenderSettings& settings) {
  Rendering rendering;
  if (!settings.exact()) {
    if (Expected<void> fits = checkPictureSize(defaultPictureSide(symbol.cols()), defaultPictureSide(symbol.rows()),
                                               settings.limits());
        !fits) {
      return fits.error();
    }
    Expected<std::string> bytes = encodePngRgb(rasterizeDefault(symbol));
    if (!bytes) return bytes.error();
    rendering.bytes = std::move(bytes).value();
    return rendering;
  }
  Expected<PngGeometry> geometry = checkedPngGeometry(symbol, settings);
  if (!geometry) return geometry.error();
  if (geometry->notice) rendering.notices.push_back(*geometry->notice);
  Expected<std::string> bytes = encodePngCompact(symbol, paintColours(settings), *geometry);
  if (!bytes) return bytes.error();
  rendering.bytes = std::move(bytes).value();
  return rendering;
}

Expected<Rendering> renderAny(const Symbol& symbol, OutputFormat format, const RenderSettings& settings) {
  switch (format) {
    case OutputFormat::Png: return renderPng(symbol, settings);
    case OutputFormat::Svg: return Rendering{renderSvg(symbol, settings), {}};
    case OutputFormat::Pdf: return Rendering{renderPdf(symbol, settings), {}};
    case OutputFormat::Eps: return Rendering{renderEps(symbol, settings), {}};
    case OutputFormat::Txt: return Rendering{renderTerminalText(symbol, settings), {}};
  }
  return Error(ErrorCode::BadOption, "unknown output format");
}

}  // namespace

Expected<OutputFormat> parseFormat(std::string_view text) {
  if (const FormatEntry* entry = lookUp(text)) return entry->format;
  return badValue(Message("format"), text, "use png, svg, pdf, eps or txt");
}

std::string_view formatName(OutputFormat format) { return entryOf(format).name; }

std::string_view mediaType(OutputFormat format) { return entryOf(format).mediaType; }

Expected<OutputFormat> formatForPath(std::string_view path, std::optional<OutputFormat> asked) {
  const std::string_view extension = extensionOf(path);
  const FormatEntry* named = extension.empty() ? nullptr : lookUp(extension);
  const std::string lower = lowerCase(extension);
  const bool foreign =
      std::find(std::begin(kForeignExtensions), std::end(kForeignExtensions), lower) != std::end(kForeignExtensions);
  if (asked) {
    if ((named && named->format != *asked) || foreign) {
      return makeError(ErrorCode::BadOption, quoted(path) + " names a ." + std::string(extension) + " file but " +
                                                 optionKey("format") + " asks for " + std::string(formatName(*asked)));
    }
    return *asked;
  }
  if (named) return named->format;
  if (foreign) {
    return Error(ErrorCode::BadOption, quoted(path) + ": ." + std::string(extension) +
                                           " is a picture format this library does not write; use .png, .svg, "
                                           ".pdf, .eps or .txt");
  }
  return OutputFormat::Png;
}

Expected<Rendering> render(const Symbol& symbol, OutputFormat format, const RenderSettings& settings) {
  if (Expected<void> valid = checkRenderSettings(settings); !valid) return valid.error();
  try {
    return renderAny(symbol, format, settings);
  } catch (const std::bad_alloc&) {
    return Error(ErrorCode::OutOfMemory, "out of memory");
  }
}

}  // namespace dexmora
