#pragma once

// Where a symbol and its caption go inside their cell, and the refusal when
// they do not fit it: nothing is cut or shrunk without a word.
#include <dexmora/sheet.h>

#include "sheet/caption_shaping.h"

namespace dexmora {

// Millimetres from the page's top-left corner.
struct LabelBox {
  double xdim = 0;          // the X-dimension the symbol is drawn at
  double symbolLeft = 0;    // the quiet zone's outer corner
  double symbolTop = 0;
  double symbolWidth = 0;   // with the quiet zone
  double symbolHeight = 0;
  double captionLeft = 0;   // the caption's first glyph origin
  double captionBaseline = 0;
};

// The symbol and caption centred together in `cell`, the caption below the
// symbol's quiet zone or right of it. PictureTooLarge, naming the size the
// label needs, when they do not fit.
Expected<LabelBox> placeLabel(const SheetCell& cell, const Symbol& symbol, const ShapedCaption& caption,
                              std::string_view captionText, const SheetSettings& settings);

}  // namespace dexmora
