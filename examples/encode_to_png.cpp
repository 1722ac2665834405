// Encodes a text into a Data Matrix symbol and writes it as a PNG file
// through the public library API:  encode_to_png TEXT FILE.png
#include <dexmora/dexmora.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TEXT FILE.png\n", argv[0]);
    return 64;
  }
  const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(argv[1]);
  if (!symbol) {
    std::fprintf(stderr, "%s\n", symbol.error().message().c_str());
    return 65;
  }
  const dexmora::Expected<dexmora::Rendering> png = dexmora::render(*symbol, dexmora::OutputFormat::Png);
  if (!png) {
    std::fprintf(stderr, "%s\n", png.error().message().c_str());
    return 70;
  }
  const dexmora::Expected<dexmora::WriteReport> written = dexmora::writeFile(argv[2], png->bytes);
  if (!written) {
    std::fprintf(stderr, "%s\n", written.error().message().c_str());
    return 73;
  }
  std::printf("%s symbol written to %s\n", dexmora::sizeName(*symbol).c_str(), argv[2]);
  return 0;
}
