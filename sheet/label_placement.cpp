#include "sheet/label_placement.h"

#include <algorithm>
#include <cmath>

#include "render/render_parsers.h"
#include "render/vector_geometry.h"
#include "dexmora_text/quoting.h"

namespace dexmora {

namespace {

// Below a thousandth of a millimetre no printer tells sizes apart; a label
// that fits to within it fits.
constexpr double kSlackMm = 1e-3;

std::string mm(double value) { return formatNumber(std::round(value * 100) / 100); }

std::string extent(double width, double height) { return mm(width) + " x " + mm(height) + " mm"; }

// The label's outer size at X-dimension `xdim`.
struct Needs {
  double width;
  double height;
};

Needs needed(double symbolWidth, double symbolHeight, const ShapedCaption& caption, CaptionSide side) {
  if (side == CaptionSide::Below) return {std::max(symbolWidth, caption.width), symbolHeight + caption.height()};
  return {symbolWidth + caption.width, std::max(symbolHeight, caption.height())};
}

// The largest X-dimension at which symbol and caption fit the cell, or 0.
double fittingXdim(const SheetCell& cell, int widthModules, int heightModules, const ShapedCaption& caption,
                   CaptionSide side) {
  if (caption.width > cell.width + kSlackMm || caption.height() > cell.height + kSlackMm) return 0;
  const double width = side == CaptionSide::Right ? cell.width - caption.width : cell.width;
  const double height = side == CaptionSide::Below ? cell.height - caption.height() : cell.height;
  return std::min({width / widthModules, height / heightModules, MAX_XDIM_MM});
}

}  // namespace

Expected<LabelBox> placeLabel(const SheetCell& cell, const Symbol& symbol, const ShapedCaption& caption,
                              std::string_view captionText, const SheetSettings& settings) {
  const RenderSettings& render = settings.render();
  const int quietZone = render.quietZone().value_or(kDefaultQuietZone);
  const int widthModules = symbol.cols() + 2 * quietZone;
  const int heightModules = symbol.rows() + 2 * quietZone;
  const CaptionSide side = settings.captionSide();
  LabelBox box;
  box.xdim = settings.xdimFit() ? fittingXdim(cell, widthModules, heightModules, caption, side)
                                : render.xdimMm().value_or(kDefaultXdimMm);
  const double xdim = std::max(box.xdim, MIN_XDIM_MM);
  box.symbolWidth = widthModules * xdim;
  box.symbolHeight = heightModules * xdim;
  const Needs needs = needed(box.symbolWidth, box.symbolHeight, caption, side);
  if (box.xdim < MIN_XDIM_MM || needs.width > cell.width + kSlackMm || needs.height > cell.height + kSlackMm) {
    std::string message = "the label needs " + extent(needs.width, needs.height) + " (the " + sizeName(symbol) +
                          " symbol with its quiet zone " + extent(box.symbolWidth, box.symbolHeight) + " at " +
                          formatNumber(std::round(xdim * 1000) / 1000) + " mm a module";
    if (!captionText.empty()) {
      message += ", the caption " + quoted(captionText) + " " + extent(caption.width, caption.height()) + " at " +
                 formatNumber(settings.captionSize()) + " pt";
    }
    return Error(ErrorCode::PictureTooLarge, message + ") but the cell is " + extent(cell.width, cell.height));
  }
  const double left = cell.left + (cell.width - needs.width) / 2;
  const double top = cell.top + (cell.height - needs.height) / 2;
  if (side == CaptionSide::Below) {
    box.symbolLeft = cell.left + (cell.width - box.symbolWidth) / 2;
    box.symbolTop = top;
    box.captionLeft = cell.left + (cell.width - caption.width) / 2;
    box.captionBaseline = top + box.symbolHeight + caption.ascent;
  } else {
    box.symbolLeft = left;
    box.symbolTop = cell.top + (cell.height - box.symbolHeight) / 2;
    box.captionLeft = left + box.symbolWidth;
    box.captionBaseline = cell.top + (cell.height - caption.height()) / 2 + caption.ascent;
  }
  return box;
}

}  // namespace dexmora
