#include "test_render_support.h"

#include <png.h>
#include <zlib.h>
#include <ZXing/ReadBarcode.h>

#include <cstdlib>
#include <cstring>

#include <dexmora/encode.h>

#include "core/size_table.h"

dexmora::Symbol encodeAt(const std::string& text, int rows, int cols) {
  dexmora::EncodeOptions options;
  options.setSize(rows, cols);
  options.setShape(rows == cols ? dexmora::Shape::Square : dexmora::Shape::Rectangle);
  options.setDmre(true);
  return dexmora::encode(text, options).value();
}

std::string textFor(int rows, int cols, double fraction) {
  const int index = dexmora::findSize(rows, cols);
  // Digits pack two to a codeword.
  const int digits = static_cast<int>(dexmora::SYMBOL_SIZES[index].dataCodewords * 2 * fraction);
  std::string text;
  for (int i = 0; i < digits; ++i) text += static_cast<char>('0' + (i * 7 + 3) % 10);
  return text;
}

std::optional<GreyPicture> decodePngGrey(const std::string& png) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return std::nullopt;
  image.format = PNG_FORMAT_GRAY;
  GreyPicture picture;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.grey.resize(PNG_IMAGE_SIZE(image));
  png_color white{255, 255, 255};
  if (!png_image_finish_read(&image, &white, picture.grey.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  return picture;
}

std::optional<dexmora::Reading> readDataMatrixReading(const GreyPicture& picture) {
  const ZXing::ImageView view(picture.grey.data(), picture.width, picture.height, ZXing::ImageFormat::Lum);
  const ZXing::Result result =
      ZXing::ReadBarcode(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::DataMatrix));
  if (!result.isValid()) return std::nullopt;
  return dexmora::Reading{std::string(result.bytes().begin(), result.bytes().end()), result.symbologyIdentifier()};
}

std::optional<std::string> readDataMatrix(const GreyPicture& picture) {
  std::optional<dexmora::Reading> reading = readDataMatrixReading(picture);
  if (!reading) return std::nullopt;
  return std::move(reading->bytes);
}

std::pair<std::string, std::string> rasteriser(std::string_view format, const std::string& in, const std::string& out,
                                               int dpi) {
  const std::string r = std::to_string(dpi);
  if (format == "svg") return {"rsvg-convert", "rsvg-convert -d " + r + " -p " + r + " -o '" + out + "' '" + in + "'"};
  if (format == "pdf") {
    return {"pdftoppm",
            "pdftoppm -r " + r + " -gray -png -singlefile '" + in + "' '" + out.substr(0, out.size() - 4) + "'"};
  }
  return {"gs", "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r" + r + " -dEPSCrop -sOutputFile='" + out + "' '" +
                    in + "'"};
}

std::optional<std::string> pngChunk(const std::string& png, const std::string& type) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(png[at + i])); };
    const uint32_t length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
    if (png.compare(at + 4, 4, type) == 0) return png.substr(at + 8, length);
    at += 12 + length;
  }
  return std::nullopt;
}

std::string inflatedPdf(const std::string& pdf) {
  const std::string filter = " /Filter /FlateDecode >>\nstream\n";
  const size_t length = pdf.find("<< /Length ");
  const size_t start = pdf.find(filter, length);
  if (length == std::string::npos || start == std::string::npos) return {};
  const size_t size = std::stoul(pdf.substr(length + 11));
  std::string out(1 << 22, '\0');
  uLongf outSize = out.size();
  if (uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize,
                 reinterpret_cast<const Bytef*>(pdf.data() + start + filter.size()), size) != Z_OK) {
    return {};
  }
  out.resize(outSize);
  return pdf.substr(0, length) + "<< /Length " + std::to_string(out.size()) + " >>\nstream\n" + out +
         pdf.substr(start + filter.size() + size);
}

bool runCommand(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool haveTool(const std::string& tool) { return runCommand("command -v " + tool); }

dexmora::Expected<std::string> renderOutput(const dexmora::Symbol& symbol, dexmora::OutputFormat format,
                                           dexmora::RenderSettings settings, bool defaultGeometry) {
  // Exact geometry needs a picture setting; the default module size is one that changes nothing else.
  if (!defaultGeometry && !settings.exact()) settings.setModulePixels(dexmora::kDefaultModulePixels);
  dexmora::Expected<dexmora::Rendering> rendering = dexmora::render(symbol, format, settings);
  if (!rendering) return rendering.error();
  return std::move(rendering->bytes);
}
