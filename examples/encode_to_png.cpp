// Encodes a text into a Data Matrix symbol and writes it as a PNG file
// through the public library API:  encode_to_png TEXT FILE.png
#include <cstdio>
#include <string>

#include "core/encode.h"
#include "render/output_file.h"
#include "render/png.h"
#include "render/raster.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TEXT FILE.png\n", argv[0]);
    return 64;
  }
  const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(std::string(argv[1]));
  if (!symbol) {
    std::fprintf(stderr, "%s\n", symbol.error().message.c_str());
    return 65;
  }
  const dexmora::Expected<std::string> png = dexmora::encodePngRgb(dexmora::rasterizeDefault(*symbol));
  if (!png) {
    std::fprintf(stderr, "%s\n", png.error().message.c_str());
    return 70;
  }
  dexmora::WriteFailure failure;
  if (!dexmora::writeWholeFile(argv[2], png->data(), png->size(), failure)) {
    std::fprintf(stderr, "%s\n", failure.message.c_str());
    return 73;
  }
  std::printf("%dx%d symbol written to %s\n", symbol->rows(), symbol->cols(), argv[2]);
  return 0;
}
