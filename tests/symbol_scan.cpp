#include "symbol_scan.h"

#include <cstdint>
#include <vector>

#include "png_reader.h"

std::optional<ZXing::Result> scanSymbol(const dexmora::Symbol& symbol, int modulePixels, int quietModules) {
  const int width = (symbol.cols() + 2 * quietModules) * modulePixels;
  const int height = (symbol.rows() + 2 * quietModules) * modulePixels;
  std::vector<uint8_t> grey(static_cast<size_t>(width) * static_cast<size_t>(height), 255);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (symbol.isDark(x / modulePixels - quietModules, y / modulePixels - quietModules)) {
        grey[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = 0;
      }
    }
  }
  const ZXing::ImageView view(grey.data(), width, height, ZXing::ImageFormat::Lum);
  ZXing::Result result = ZXing::ReadBarcode(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::DataMatrix));
  if (!result.isValid()) return std::nullopt;
  return result;
}

std::optional<std::string> scanBytes(const dexmora::Symbol& symbol) {
  const std::optional<ZXing::Result> result = scanSymbol(symbol);
  if (!result) return std::nullopt;
  const ZXing::ByteArray& bytes = result->bytes();
  return std::string(bytes.begin(), bytes.end());
}

std::optional<ZXing::Result> scanPngFile(const std::string& path, uint32_t* width) {
  const std::optional<PngPicture> picture = readPng(path);
  if (!picture) return std::nullopt;
  if (width) *width = picture->width;
  const ZXing::ImageView view(picture->rgb.data(), static_cast<int>(picture->width),
                              static_cast<int>(picture->height), ZXing::ImageFormat::RGB);
  ZXing::Result result = ZXing::ReadBarcode(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::DataMatrix));
  if (!result.isValid()) return std::nullopt;
  return result;
}
