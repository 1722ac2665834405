#pragma once

#include <ZXing/ReadBarcode.h>

#include <optional>
#include <string>

#include "core/symbol.h"

// Draws the symbol at `modulePixels` pixels per module with a quiet zone of
// `quietModules` and reads it back with zxing-cpp's reader; nullopt when the
// reader finds no Data Matrix symbol.
std::optional<ZXing::Result> scanSymbol(const dexmora::Symbol& symbol, int modulePixels = 4, int quietModules = 2);

// The raw bytes the reader recovered, or nullopt.
std::optional<std::string> scanBytes(const dexmora::Symbol& symbol);
