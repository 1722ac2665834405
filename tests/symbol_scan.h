#pragma once

#include <ZXing/ReadBarcode.h>

#include <cstdint>
#include <optional>
#include <string>

#include <dexmora/symbol.h>

// Draws the symbol at `modulePixels` pixels per module with a quiet zone of
// `quietModules` and reads it back with zxing-cpp's reader; nullopt when the
// reader finds no Data Matrix symbol.
std::optional<ZXing::Result> scanSymbol(const dexmora::Symbol& symbol, int modulePixels = 4, int quietModules = 2);

// Reads the PNG file at `path` and decodes it; nullopt when the file is no
// PNG or the reader finds no Data Matrix symbol. `width` gets the picture's width.
std::optional<ZXing::Result> scanPngFile(const std::string& path, uint32_t* width = nullptr);

// The raw bytes the reader recovered from a result.
inline std::string resultBytes(const ZXing::Result& result) {
  return std::string(result.bytes().begin(), result.bytes().end());
}

// The raw bytes the reader recovered, or nullopt.
std::optional<std::string> scanBytes(const dexmora::Symbol& symbol);
