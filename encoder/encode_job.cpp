#include "encoder/encode_job.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "encoder/data_encoding.h"
#include "encoder/placement.h"
#include "encoder/reed_solomon.h"
#include "encoder/symbol_tables.h"
#include "image/rasterizer.h"

int32_t requestedSize = 0;

namespace {

constexpr int32_t MODULE_SIZE = 5;
constexpr int32_t QUIET_ZONE = 10;
// The dialog's text field holds at most this many bytes.
constexpr size_t ENTRY_TEXT_LIMIT = 12;

// Allocates the raster for the symbol's size; its pixels are not cleared,
// since the rasterizer writes every one of them.
void allocImage(DmEncoder* encoder) {
  const DmSymbol& symbol = encoder->symbol;
  const int lines = dmAlignmentLines(symbol.regionCount);
  RgbImage& image = encoder->image;
  std::free(image.pixels);
  image.width = static_cast<uint32_t>(encoder->moduleSize * (symbol.gridCols + lines + 2) + 2 * encoder->quietZone);
  image.height = static_cast<uint32_t>(encoder->moduleSize * (symbol.gridRows + lines + 2) + 2 * encoder->quietZone);
  image.pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(image.width) * image.height * 3));
  if (image.pixels == nullptr) {
    std::perror("malloc error");
    std::exit(2);
  }
}

}  // namespace

DmEncoder* dmCreateEncoder(int32_t requested) {
  auto* encoder = static_cast<DmEncoder*>(std::malloc(sizeof(DmEncoder)));
  if (encoder == nullptr) std::exit(3);
  std::memset(encoder, 0, sizeof *encoder);
  encoder->moduleSize = MODULE_SIZE;
  encoder->quietZone = QUIET_ZONE;
  requestedSize = requested;
  matrix3Identity(&encoder->transform);
  return encoder;
}

void dmDestroyEncoder(DmEncoder** encoder) {
  if (encoder == nullptr || *encoder == nullptr) return;
  std::free((*encoder)->image.pixels);
  (*encoder)->image.pixels = nullptr;
  std::free(*encoder);
  *encoder = nullptr;
}

int32_t dmNormalizeRequestedSize(int32_t requested) {
  if (requested < 0 || requested > 144 || requested % 2 != 0) return 0;
  return requested;
}

void dmBuildSymbol(DmSymbol* symbol, const uint8_t* text, int32_t length) {
  dmEncodeData(symbol, text, length);
  dmAddPadding(symbol);
  dmComputeEcc(symbol);
  dmAllocGrid(symbol);
  dmPlaceCodewords(symbol);
}

int dmEncode(DmEncoder* encoder, const uint8_t* text, const char* path, int32_t length) {
  dmBuildSymbol(&encoder->symbol, text, length);
  allocImage(encoder);
  const int written = dmRenderImage(*encoder, path);
  const int savedErrno = errno;
  dmFreeSymbol(&encoder->symbol);
  errno = savedErrno;
  return written;
}

int dmEncodeToFile(int requested, const char* text, const char* path) {
  DmEncoder* encoder = dmCreateEncoder(dmNormalizeRequestedSize(requested));
  const size_t length = text != nullptr ? strnlen(text, ENTRY_TEXT_LIMIT) : 0;
  const int written =
      dmEncode(encoder, reinterpret_cast<const uint8_t*>(text), path, static_cast<int32_t>(length));
  const int savedErrno = errno;
  dmDestroyEncoder(&encoder);
  errno = savedErrno;
  return written ? 0 : 1;
}
