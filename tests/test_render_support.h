#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <dexmora/render.h>
#include <dexmora/symbol.h>
#include <dexmora/verify.h>

// A real symbol of `text` at the size asked for (rows x cols).
dexmora::Symbol encodeAt(const std::string& text, int rows, int cols);

// The bytes render() makes of `symbol`: the default picture when
// `defaultGeometry`, else exact geometry with `settings`.
dexmora::Expected<std::string> renderOutput(const dexmora::Symbol& symbol, dexmora::OutputFormat format,
                                           dexmora::RenderSettings settings, bool defaultGeometry);

// A text that fills about `fraction` of the symbol's data capacity.
std::string textFor(int rows, int cols, double fraction = 0.8);

// An 8-bit grey picture, top row first.
struct GreyPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> grey;
  uint8_t at(int x, int y) const { return grey[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

// PNG bytes decoded by libpng and flattened onto white; nullopt when not a PNG.
std::optional<GreyPicture> decodePngGrey(const std::string& png);

// What zxing-cpp's reader reads in the picture: the bytes and the symbology
// identifier ("]d2" for GS1), or nullopt.
std::optional<dexmora::Reading> readDataMatrixReading(const GreyPicture& picture);
// Its bytes alone.
std::optional<std::string> readDataMatrix(const GreyPicture& picture);

// The command that rasterises the SVG, PDF or EPS file `in` (`format` names
// it) to the grey PNG `out` at `dpi`, and the tool it needs.
std::pair<std::string, std::string> rasteriser(std::string_view format, const std::string& in, const std::string& out,
                                               int dpi);

// The data of the first chunk of `type`, or nullopt.
std::optional<std::string> pngChunk(const std::string& png, const std::string& type);

// The PDF with its page content stream (the only stream) inflated in place
// and its /Filter dropped, as if written uncompressed; empty when the stream
// does not inflate.
std::string inflatedPdf(const std::string& pdf);

// Runs `command` through the shell; true when it exits 0.
bool runCommand(const std::string& command);
// Whether `tool` is on the PATH.
bool haveTool(const std::string& tool);
