#include "cli/picture.h"

#include "cli/exit_status.h"
#include "core/gs1.h"
#include "render/output_format.h"
#include "render/png.h"
#include "render/png_compact.h"
#include "render/raster.h"
#include "render/verify.h"

namespace {

// What the reader must recover from the symbol: the text itself; for GS1
// the element strings with GS between fields; nothing to compare for the
// macro headers, which readers expand in their own ways.
dexmora::VerifyExpectation expectation(const CliOptions& options, const std::string& text) {
  dexmora::VerifyExpectation expected;
  const dexmora::DataOptions& data = options.encode.data;
  if (data.macro != 0) return expected;
  expected.gs1 = data.gs1;
  if (!data.gs1) {
    expected.bytes = text;
    return expected;
  }
  const auto units = dexmora::parseGs1(reinterpret_cast<const uint8_t*>(text.data()), text.size(), true,
                                       data.gs1NoCheck);
  if (units) expected.bytes = std::string(units->begin(), units->end());
  return expected;
}

std::string sizeName(int rows, int cols) { return std::to_string(rows) + "x" + std::to_string(cols); }

}  // namespace

std::string resizeWarning(const dexmora::SizeRequest& request, const dexmora::Symbol& symbol) {
  if (request.rows == 0 || (request.rows == symbol.rows() && request.cols == symbol.cols())) return {};
  return "the text does not fit " + sizeName(request.rows, request.cols) + "; using " +
         sizeName(symbol.rows(), symbol.cols());
}

Picture makePicture(const dexmora::Symbol& symbol, const CliOptions& options, const std::string& text) {
  Picture picture;
  if (options.format != dexmora::OutputFormat::Png) {
    dexmora::Expected<std::string> bytes = dexmora::renderOutput(symbol, options.format, options.render, false);
    if (!bytes) {
      picture.status = DM_CLI_EXIT_USAGE;
      picture.message = bytes.error().message;
      return picture;
    }
    picture.bytes = std::move(bytes).value();
    return picture;
  }

  dexmora::ModuleSpans spans;
  dexmora::PaintColours colours{dexmora::BLACK, dexmora::WHITE};
  dexmora::Expected<std::string> bytes = std::string();
  if (options.defaultRendering) {
    const dexmora::Raster raster = dexmora::rasterizeDefault(symbol);
    spans = {raster.colStart, raster.rowStart};
    bytes = dexmora::encodePngRgb(raster);
  } else {
    colours = dexmora::paintColours(options.render);
    const dexmora::PngGeometry geometry = dexmora::pngGeometry(options.render);
    if (!geometry.warning.empty()) picture.warnings.push_back(geometry.warning);
    spans = {dexmora::moduleStarts(symbol.cols(), geometry), dexmora::moduleStarts(symbol.rows(), geometry)};
    bytes = dexmora::encodePngCompact(symbol, colours, geometry);
  }
  if (!bytes) {
    picture.status = DM_CLI_EXIT_SOFTWARE;
    picture.message = bytes.error().message;
    return picture;
  }
  picture.bytes = std::move(bytes).value();
  if (options.verify) {
    const dexmora::VerifyResult check =
        dexmora::verifyPng(picture.bytes, symbol, spans, colours, expectation(options, text));
    if (!check.note.empty()) picture.warnings.push_back(check.note);
    if (!check.ok) {
      picture.status = DM_CLI_EXIT_SOFTWARE;
      picture.message = "--verify: " + check.message;
    }
  }
  return picture;
}
