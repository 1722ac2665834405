// Prints what zxing-cpp's reader finds in a PNG file: the symbology
// identifier ("]d1", or "]d2" for GS1), then the symbol's bytes as they are.
// Exit status 1 when the picture holds no Data Matrix symbol.
#include <cstdio>
#include <string>

#include "symbol_scan.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: scan_png FILE.png\n");
    return 2;
  }
  const std::optional<ZXing::Result> result = scanPngFile(argv[1]);
  if (!result) {
    std::fprintf(stderr, "%s: no Data Matrix symbol found\n", argv[1]);
    return 1;
  }
  const std::string out = result->symbologyIdentifier() + resultBytes(*result);
  return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() ? 0 : 1;
}
