#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/symbol.h"
#include "render/render_settings.h"

namespace dexmora {

// Where each module lies in the picture: colStart[x] is the first pixel
// column of module column x and colStart[cols] ends the last (Raster's
// convention); every pixel outside the spans is quiet zone.
struct ModuleSpans {
  std::vector<int> colStart;
  std::vector<int> rowStart;
};

// What the reader should report. `bytes` is compared with zxing-cpp's
// Result::bytes(), the decoded data with ECI designators removed and FNC1
// separators as GS (0x1D): for plain text the text itself, for ECI the bytes
// after the designator, for GS1 the element strings joined by GS without the
// leading FNC1, which instead shows as the symbology identifier "]d2".
struct VerifyExpectation {
  std::optional<std::string> bytes;
  bool gs1 = false;
};

struct VerifyResult {
  bool ok = true;
  std::string message;  // why it failed, one line
  std::string note;     // something the caller should tell on stderr even when ok
};

// Reads back `png` (just written for `symbol`), checks every pixel of every
// module span and of the quiet zone against the symbol (a pixel counts as
// dark when it is nearer the dark colour than the light one), then, when the
// build has zxing-cpp (DEXMORA_HAVE_ZXING), decodes the picture and compares
// what it reads with `expected`.
VerifyResult verifyPng(const std::string& png, const Symbol& symbol, const ModuleSpans& spans,
                       const PaintColours& colours, const VerifyExpectation& expected);

}  // namespace dexmora
