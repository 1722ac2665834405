#pragma once

/// @file
/// Reading a PNG back before it is trusted: every module compared with the
/// symbol, then decoded by a barcode reader the caller supplies.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <dexmora/error.h>
#include <dexmora/export.h>
#include <dexmora/options.h>
#include <dexmora/render.h>
#include <dexmora/symbol.h>

namespace dexmora {

/// What a reader decoded: the data with ECI designators removed and FNC1
/// separators as GS (29), and the symbology identifier ("]d1", "]d2" for GS1).
struct Reading {
  std::string bytes;                ///< the decoded data
  std::string symbologyIdentifier;  ///< "]d1", "]d2" (GS1), ...
};

/// A barcode reader that verification decodes with. Implementations must be
/// safe to call from several threads at once.
class DEXMORA_EXPORT Reader {
 public:
  virtual ~Reader() = default;
  /// Decodes a Data Matrix symbol from an 8-bit grey picture (row-major,
  /// `width` x `height`, one byte a pixel, dark modules dark); nullopt when
  /// it finds none.
  virtual std::optional<Reading> read(const uint8_t* grey, int width, int height) const = 0;
};

/// What the reader should report for a symbol.
struct VerifyExpectation {
  std::optional<std::string> bytes;  ///< the data; nullopt when not compared (the macro headers)
  bool gs1 = false;                  ///< the identifier must be "]d2"
};

/// The expectation for `text` encoded with `options`: the text itself; for
/// GS1 the element strings joined by GS; nothing for the macro headers,
/// which readers expand in their own ways.
DEXMORA_EXPORT VerifyExpectation expectationFor(std::string_view text, const EncodeOptions& options);

/// The largest picture verification reads back (it holds 4 bytes a pixel).
struct VerifyLimits {
  uint32_t maxSide = 10000;       ///< pixels per side
  uint64_t maxPixels = 25000000;  ///< pixels in total
  uint64_t reserved[2] = {};      ///< zero: room for later limits, so the layout stays
};

/// A passed verification, with what the caller should still tell the user.
struct VerifyReport {
  std::string note;  ///< e.g. that no reader was given and only modules were compared
};

/// Reads back `png`, rendered from `symbol` with `settings`: checks every
/// pixel of every module and of the quiet zone, then, when `reader` is not
/// null, decodes the picture and compares what it reads with `expected`.
/// VerifyMismatch when they differ; PictureTooLarge above `limits`, before
/// any pixel is read.
DEXMORA_EXPORT Expected<VerifyReport> verify(const Symbol& symbol, std::string_view png, const RenderSettings& settings,
                              const VerifyExpectation& expected, const Reader* reader,
                              const VerifyLimits& limits = {});

}  // namespace dexmora
