// A GS1 label for print: element strings in brackets become a GS1 Data
// Matrix symbol on a PDF page of the symbol's size at a 0.5 mm X-dimension.
//   gs1_label_pdf "[01]09521234543213[17]271231[10]AB-123" label.pdf
// The options are given by key, as a user would type them, so a bad value
// is refused with the same words the command line uses.
#include <dexmora/dexmora.h>

#include <cstdio>
#include <string>
#include <utility>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s GS1-ELEMENT-STRINGS FILE.pdf\n", argv[0]);
    return 64;
  }
  const std::pair<const char*, const char*> wanted[] = {
      {"gs1", ""}, {"xdim", "0.5mm"}, {"quiet-zone", "1"}, {"format", "pdf"}};
  dexmora::OptionSet options;
  for (const auto& [key, value] : wanted) {
    if (const dexmora::Expected<void> set = options.set(key, value); !set) {
      std::fprintf(stderr, "%s\n", set.error().message().c_str());
      return 64;
    }
  }
  if (const dexmora::Expected<void> finished = options.finish(); !finished) {
    std::fprintf(stderr, "%s\n", finished.error().message().c_str());
    return 64;
  }
  const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(argv[1], options.encodeOptions());
  if (!symbol) {
    // BadGs1 names the element string at fault: "GS1: AI (17) data '271331' ..."
    std::fprintf(stderr, "%s (%s)\n", symbol.error().message().c_str(),
                 std::string(dexmora::errorName(symbol.error().code())).c_str());
    return 65;
  }
  const dexmora::Expected<dexmora::OutputFormat> format = dexmora::formatForPath(argv[2], options.format());
  if (!format) {
    std::fprintf(stderr, "%s\n", format.error().message().c_str());
    return 64;
  }
  const dexmora::Expected<dexmora::Rendering> pdf = dexmora::render(*symbol, *format, options.renderSettings());
  if (!pdf) {
    std::fprintf(stderr, "%s\n", pdf.error().message().c_str());
    return 70;
  }
  if (const dexmora::Expected<dexmora::WriteReport> written = dexmora::writeFile(argv[2], pdf->bytes); !written) {
    std::fprintf(stderr, "%s\n", written.error().message().c_str());
    return 73;
  }
  std::printf("%s GS1 symbol, %d of %d codewords, written to %s\n", dexmora::sizeName(*symbol).c_str(),
              symbol->dataLength(), symbol->capacity(), argv[2]);
  return 0;
}
