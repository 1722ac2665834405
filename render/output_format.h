#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/expected.h"
#include "core/symbol.h"
#include "render/render_settings.h"

namespace dexmora {

enum class OutputFormat { Png, Svg, Pdf, Eps, Txt };

// The format a file name asks for by its extension (case-insensitive), or
// nullopt for an unknown or missing extension.
std::optional<OutputFormat> formatFromExtension(std::string_view path);

// "png", "svg", "pdf", "eps" or "txt", as --format takes them.
Expected<OutputFormat> parseFormat(std::string_view name);

// The file's bytes. `defaultRendering` (no rendering option given) with PNG
// is the first release's picture (rasterizeDefault + encodePngRgb); anything
// else goes through the settings, which are validated here.
Expected<std::string> renderOutput(const Symbol& symbol, OutputFormat format, const RenderSettings& settings,
                                   bool defaultRendering);

}  // namespace dexmora
