#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "core/encode.h"
#include "render/png.h"
#include "render/raster.h"

namespace dexmora {
namespace {

// SHA-256 (FIPS 180-4), enough to compare against the recorded hashes.
std::string sha256Hex(const std::string& message) {
  static constexpr uint32_t k[64] = {
      0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
      0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
      0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
      0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
      0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
      0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
      0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
      0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
  std::array<uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                               0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::vector<uint8_t> data(message.begin(), message.end());
  const uint64_t bits = static_cast<uint64_t>(message.size()) * 8;
  data.push_back(0x80);
  while (data.size() % 64 != 56) data.push_back(0);
  for (int i = 7; i >= 0; --i) data.push_back(static_cast<uint8_t>(bits >> (8 * i)));
  const auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
  for (size_t chunk = 0; chunk < data.size(); chunk += 64) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
      const uint8_t* p = &data[chunk + 4 * static_cast<size_t>(i)];
      w[i] = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    }
    for (int i = 16; i < 64; ++i) {
      const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::array<uint32_t, 8> v = h;
    for (int i = 0; i < 64; ++i) {
      const uint32_t t1 = v[7] + (rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25)) +
                          ((v[4] & v[5]) ^ (~v[4] & v[6])) + k[i] + w[i];
      const uint32_t t2 =
          (rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22)) + ((v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]));
      v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
    }
    for (int i = 0; i < 8; ++i) h[static_cast<size_t>(i)] += v[static_cast<size_t>(i)];
  }
  std::ostringstream hex;
  hex << std::hex;
  for (uint32_t word : h) hex << std::setw(8) << std::setfill('0') << word;
  return hex.str();
}

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex(std::string(56, 'a')), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
}

struct Golden {
  std::string text;
  int size = 0;
  std::string pngHash;
  std::string codewordsHash;
};

// The recorded outputs of the first release's squares, kept beside the
// repository; the first line names the columns.
const std::filesystem::path GOLDEN_FILE = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() /
                                          "shared" / "golden" / "default-pictures.tsv";

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
    options.size.rows = options.size.cols = golden.size;
    const Expected<Symbol> symbol = encode(golden.text, options);
    ASSERT_TRUE(symbol) << symbol.error().message;
    const Expected<std::string> png = encodePngRgb(rasterizeDefault(*symbol));
    ASSERT_TRUE(png);
    EXPECT_EQ(sha256Hex(*png), golden.pngHash) << "size " << golden.size << ", " << golden.text.size() << " bytes";
    EXPECT_EQ(sha256Hex(codewordLine(*symbol)), golden.codewordsHash) << "size " << golden.size;
  }
}

}  // namespace
}  // namespace dexmora
