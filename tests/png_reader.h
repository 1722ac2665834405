#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A PNG file as the tests inspect it: its chunk sequence, the IHDR fields and
// the pixels decoded by libpng as 8-bit RGB, top row first.
struct PngPicture {
  std::vector<std::string> chunkTypes;
  uint32_t width = 0;
  uint32_t height = 0;
  int bitDepth = 0;
  int colorType = 0;
  int compressionMethod = 0;
  int filterMethod = 0;
  int interlaceMethod = 0;
  std::vector<uint8_t> rgb;

  // Red byte of the pixel at file column `x` of file row `y` (rows from the top).
  uint8_t red(uint32_t x, uint32_t y) const { return rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Reads and decodes `path`; nullopt (with the reason in `error`) when the file
// is missing or is not a well-formed PNG.
std::optional<PngPicture> readPng(const std::string& path, std::string* error = nullptr);

// Chunk types in order, or empty when the data is not a PNG chunk stream.
std::vector<std::string> pngChunkTypes(const std::vector<uint8_t>& data);
