#include <gtest/gtest.h>

#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include <dexmora/encode.h>
#include "render/png.h"
#include "render/raster.h"
#include "test_files.h"

namespace dexmora {
namespace {

// The SHA-256 of `bytes` as coreutils' sha256sum prints it, as the golden
// table was recorded.
std::string sha256Hex(const std::string& bytes) {
  TempDir dir;
  const std::string path = dir.file("bytes");
  writeFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  std::FILE* pipe = popen(("sha256sum < '" + path + "'").c_str(), "r");
  if (!pipe) return {};
  char hex[65] = {};
  const size_t got = std::fread(hex, 1, 64, pipe);
  pclose(pipe);
  return std::string(hex, got);
}

struct Golden {
  std::string text;
  int size = 0;
  std::string pngHash;
  std::string codewordsHash;
};

// The recorded outputs of the first release's squares, kept beside the
// repository; the first line names the columns.
const std::filesystem::path GOLDEN_FILE = DEXMORA_GOLDEN_FILE;

std::vector<Golden> readGoldens() {
  std::ifstream in(GOLDEN_FILE);
  std::vector<Golden> goldens;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string hex;
    Golden golden;
    fields >> hex >> golden.size >> golden.pngHash >> golden.codewordsHash;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) golden.text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    goldens.push_back(golden);
  }
  return goldens;
}

std::string codewordLine(const Symbol& symbol) {
  std::string line;
  for (uint8_t codeword : symbol.codewords()) line += (line.empty() ? "" : " ") + std::to_string(codeword);
  return line + "\n";
}

TEST(SquareOutputs, StayByteIdentical) {
  // A checkout on its own has no table beside it; where it is, it must be whole.
  if (!std::filesystem::exists(GOLDEN_FILE)) GTEST_SKIP() << "no golden table at " << GOLDEN_FILE;
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
