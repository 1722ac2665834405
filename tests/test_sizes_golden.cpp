#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <dexmora/encode.h>
#include "golden_table.h"
#include "render/png.h"
#include "render/raster.h"

namespace dexmora {
namespace {

std::string codewordLine(const Symbol& symbol) {
  std::string line;
  for (uint8_t codeword : symbol.codewords()) line += (line.empty() ? "" : " ") + std::to_string(codeword);
  return line + "\n";
}

TEST(SquareOutputs, StayByteIdentical) {
  // A checkout on its own has no table beside it; where it is, it must be whole.
  if (!std::filesystem::exists(goldenTablePath())) GTEST_SKIP() << "no golden table at " << goldenTablePath();
  const std::vector<Golden> goldens = readGoldens();
  ASSERT_GE(goldens.size(), 24u) << "the golden table beside the repository";
  for (const Golden& golden : goldens) {
    EncodeOptions options;
    options.setSize(golden.size, golden.size);
    const Expected<Symbol> symbol = encode(golden.text, options);
    ASSERT_TRUE(symbol) << symbol.error().message();
    const Expected<std::string> png = encodePngRgb(rasterizeDefault(*symbol));
    ASSERT_TRUE(png);
    EXPECT_EQ(sha256Hex(*png), golden.pngHash) << "size " << golden.size << ", " << golden.text.size() << " bytes";
    // No picture setting at all is the same picture through the public face.
    const Expected<Rendering> rendered = render(*symbol, OutputFormat::Png, RenderSettings());
    ASSERT_TRUE(rendered);
    EXPECT_EQ(rendered->bytes, *png) << "size " << golden.size;
    EXPECT_EQ(sha256Hex(codewordLine(*symbol)), golden.codewordsHash) << "size " << golden.size;
  }
}

}  // namespace
}  // namespace dexmora
