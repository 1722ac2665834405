#include "encode_job.h"

#include <dexmora/render.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "picture_steps.h"
#include "symbol_steps.h"
#include "symbol_tables.h"

int32_t requestedSize = 0;

namespace {

// The first release's picture, which the library draws when given no
// picture setting: default-sized modules in its default quiet zone.
constexpr int32_t MODULE_SIZE = dexmora::kDefaultModulePixels;
constexpr int32_t QUIET_ZONE = dexmora::kDefaultQuietZone * MODULE_SIZE;
// The dialog's text field holds at most this many bytes.
constexpr size_t ENTRY_TEXT_LIMIT = 12;

// Allocates the raster for the symbol's size; its pixels are not cleared,
// since dmRenderImage writes every one of them.
void allocImage(DmEncoder* encoder) {
  const int32_t side = SymbolAttributes[encoder->symbol.sizeIndex].symbolSize;
  RgbImage& image = encoder->image;
  std::free(image.pixels);
  image.width = static_cast<uint32_t>(encoder->moduleSize * side + 2 * encoder->quietZone);
  image.height = image.width;
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
  encoder->transform = {{1, 0, 0, 0, 1, 0, 0, 0, 1}};
  return encoder;
}

void dmDestroyEncoder(DmEncoder** encoder) {
  if (encoder == nullptr || *encoder == nullptr) return;
  std::free((*encoder)->image.pixels);
  (*encoder)->image.pixels = nullptr;
  std::free(*encoder);
  *encoder = nullptr;
}

int dmEncode(DmEncoder* encoder, const uint8_t* text, const char* path, int32_t length) {
  DmSymbol* symbol = &encoder->symbol;
  dmEncodeData(symbol, text, length);
  if (symbol->finished == nullptr) {
    dmFreeSymbol(symbol);
    errno = EINVAL;
    return 0;
  }
  dmAddPadding(symbol);
  dmComputeEcc(symbol);
  dmAllocGrid(symbol);
  dmPlaceCodewords(symbol);
  allocImage(encoder);
  const int written = dmRenderImage(*encoder, path);
  const int savedErrno = errno;
  // The symbol the raster showed goes with the DmSymbol that owns it.
  encoder->image.symbol = nullptr;
  dmFreeSymbol(symbol);
  errno = savedErrno;
  return written;
}

int dmEncodeToFile(int requested, const char* text, const char* path) {
  // Negative, odd or above 144 means automatic; anything else is passed on,
  // even a size no row has, which dmEncodeData then treats as automatic.
  if (requested < 0 || requested > 144 || requested % 2 != 0) requested = 0;
  DmEncoder* encoder = dmCreateEncoder(requested);
  const size_t length = text != nullptr ? strnlen(text, ENTRY_TEXT_LIMIT) : 0;
  const int written =
      dmEncode(encoder, reinterpret_cast<const uint8_t*>(text), path, static_cast<int32_t>(length));
  const int savedErrno = errno;
  dmDestroyEncoder(&encoder);
  errno = savedErrno;
  return written ? 0 : 1;
}
