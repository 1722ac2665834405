// Encodes a text and prints the symbol as an SVG document: the picture stays
// in memory, ready for a web page or a template:  svg_in_memory TEXT
#include <dexmora/dexmora.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s TEXT\n", argv[0]);
    return 64;
  }
  dexmora::EncodeOptions options;
  options.setEncodation(dexmora::Encodation::Minimal);  // the smallest symbol for the text
  const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(argv[1], options);
  if (!symbol) {
    std::fprintf(stderr, "%s\n", symbol.error().message().c_str());
    return 65;
  }
  dexmora::RenderSettings settings;
  settings.setXdimMm(0.4);  // 0.4 mm modules: the SVG's width and height are in mm
  const dexmora::Expected<dexmora::Rendering> svg = dexmora::render(*symbol, dexmora::OutputFormat::Svg, settings);
  if (!svg) {
    std::fprintf(stderr, "%s\n", svg.error().message().c_str());
    return 70;
  }
  std::fwrite(svg->bytes.data(), 1, svg->bytes.size(), stdout);
  return 0;
}
