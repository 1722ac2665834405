#include "reader/zxing_reader.h"

#include <ZXing/ReadBarcode.h>

namespace dexmora {

namespace {

class ZxingReader final : public Reader {
 public:
  std::optional<Reading> read(const uint8_t* grey, int width, int height) const override {
    const ZXing::ImageView view(grey, width, height, ZXing::ImageFormat::Lum);
    const ZXing::Result result =
        ZXing::ReadBarcode(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::DataMatrix));
    if (!result.isValid()) return std::nullopt;
    return Reading{std::string(result.bytes().begin(), result.bytes().end()), result.symbologyIdentifier()};
  }
};

}  // namespace

const Reader& zxingReader() {
  static const ZxingReader reader;
  return reader;
}

}  // namespace dexmora
