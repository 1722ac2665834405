#include "png_reader.h"

#include <png.h>

#include <cstring>

#include "test_files.h"

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t bigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

bool fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

bool readHeader(const std::vector<uint8_t>& data, PngPicture& picture, std::string* error) {
  picture.chunkTypes = pngChunkTypes(data);
  if (picture.chunkTypes.empty() || picture.chunkTypes.front() != "IHDR") return fail(error, "no IHDR chunk first");
  const uint8_t* ihdr = data.data() + 8 + 8;
  picture.width = bigEndian32(ihdr);
  picture.height = bigEndian32(ihdr + 4);
  picture.bitDepth = ihdr[8];
  picture.colorType = ihdr[9];
  picture.compressionMethod = ihdr[10];
  picture.filterMethod = ihdr[11];
  picture.interlaceMethod = ihdr[12];
  return true;
}

bool decodePixels(const std::vector<uint8_t>& data, PngPicture& picture, std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) return fail(error, image.message);
  image.format = PNG_FORMAT_RGB;
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
    const std::string reason = image.message;
    png_image_free(&image);
    return fail(error, reason);
  }
  return true;
}

}  // namespace

std::vector<std::string> pngChunkTypes(const std::vector<uint8_t>& data) {
  std::vector<std::string> types;
  if (data.size() < 8 || std::memcmp(data.data(), kSignature, 8) != 0) return {};
  size_t at = 8;
  while (at + 12 <= data.size()) {
    const uint32_t length = bigEndian32(data.data() + at);
    if (length > data.size() - at - 12) return {};
    types.emplace_back(reinterpret_cast<const char*>(data.data() + at + 4), 4);
    at += 12 + size_t{length};
  }
  if (at != data.size()) return {};
  return types;
}

std::optional<PngPicture> readPng(const std::string& path, std::string* error) {
  const std::optional<std::vector<uint8_t>> data = readFileBytes(path);
  if (!data) {
    fail(error, "cannot read " + path);
    return std::nullopt;
  }
  PngPicture picture;
  if (!readHeader(*data, picture, error) || !decodePixels(*data, picture, error)) return std::nullopt;
  return picture;
}
