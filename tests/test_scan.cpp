#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "encoder/encode_job.h"
#include "encoder/symbol_tables.h"
#include "image/rasterizer.h"
#include "png_reader.h"
#include "test_files.h"

namespace {

const char* const kTexts[] = {
    "123456",
    "123456789012",
    "HELLO WORLD",
    "dexmora",
    "!\"#$%&'()*+,",
    "~/:;<=>?@[\\]",
    "\x80\x81\xA9\xC4\xE3\xFE\xFF",
    "\x80" "A\x80" "A\x80" "A\x80" "A\x80" "A\x80" "A",
    "Ab1\xE9 9-Z~12",
    "A\xC4" "12",
};

// Decodes the Data Matrix symbol in the PNG at `path`; the raw bytes it
// carries, or nullopt when the reader finds none.
std::optional<std::string> scan(const std::string& path, uint32_t* side = nullptr) {
  const std::optional<PngPicture> picture = readPng(path);
  if (!picture) return std::nullopt;
  if (side) *side = picture->width;
  const ZXing::ImageView view(picture->rgb.data(), static_cast<int>(picture->width),
                              static_cast<int>(picture->height), ZXing::ImageFormat::RGB);
  const ZXing::Result result =
      ZXing::ReadBarcode(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::DataMatrix));
  if (!result.isValid()) return std::nullopt;
  const ZXing::ByteArray& bytes = result.bytes();
  return std::string(bytes.begin(), bytes.end());
}

// The size selection expects: the requested size when the stream fits it,
// else the smallest that holds it.
int expectedSide(int requested, const char* text) {
  DmSymbol symbol{};
  requestedSize = requested;
  dmBuildSymbol(&symbol, reinterpret_cast<const uint8_t*>(text), static_cast<int32_t>(std::strlen(text)));
  const int side = SymbolAttributes[symbol.sizeIndex].symbolSize;
  dmFreeSymbol(&symbol);
  return side;
}

// zxing-cpp 1.4 reads the 144x144 symbol's error codewords in an order that
// differs from the standard's block interleaving, which the encoder follows,
// so it cannot read a correct 144x144 symbol; that size is covered below by
// its exact codewords and pixels instead.
class ScanEverySize : public testing::TestWithParam<int> {};

TEST_P(ScanEverySize, ReaderRecoversEveryText) {
  const int size = GetParam();
  TempDir dir;
  const std::string path = dir.file("output.png");
  for (const char* text : kTexts) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    ASSERT_EQ(dmEncodeToFile(size, text, path.c_str()), 0);
    uint32_t side = 0;
    EXPECT_EQ(scan(path, &side), std::string(text));
    EXPECT_EQ(side, static_cast<uint32_t>(5 * expectedSide(size, text) + 20));
  }
}

std::vector<int> sizesBelowLargest() {
  return std::vector<int>(SelectableSizes, SelectableSizes + DM_SYMBOL_SIZE_COUNT - 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScanEverySize, testing::ValuesIn(sizesBelowLargest()));

TEST(Scan, EntryKeepsTheFirstTwelveBytes) {
  TempDir dir;
  const std::string path = dir.file("output.png");
  ASSERT_EQ(dmEncodeToFile(0, "ABCDEFGHIJKLMNOPQRST", path.c_str()), 0);
  EXPECT_EQ(scan(path), std::string("ABCDEFGHIJKL"));
}

TEST(Scan, PipelineEncodesTheGivenLengthOnly) {
  TempDir dir;
  const std::string path = dir.file("output.png");
  DmEncoder* encoder = dmCreateEncoder(0);
  EXPECT_EQ(dmEncode(encoder, reinterpret_cast<const uint8_t*>("12345678"), path.c_str(), 5), 1);
  EXPECT_EQ(encoder->image.width, 70u);
  dmDestroyEncoder(&encoder);
  EXPECT_EQ(scan(path), std::string("12345"));
}

TEST(Scan, FailedSaveIsReportedAndLeavesNothing) {
  TempDir dir;
  EXPECT_NE(dmEncodeToFile(0, "123456", dir.file("missing/output.png").c_str()), 0);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_TRUE(dir.entries().empty());
}

// The 144x144 symbol, which the reader above cannot check: the codeword
// stream of "A" and the picture module by module against the placed grid.
TEST(LargestSymbol, CodewordsAndPicture) {
  const uint8_t text[] = "A";
  DmSymbol symbol{};
  requestedSize = 144;
  dmBuildSymbol(&symbol, text, 1);
  ASSERT_EQ(symbol.sizeIndex, 23);
  ASSERT_EQ(symbol.totalCodewords, 2178u);
  const std::vector<uint8_t> cw(symbol.codewords, symbol.codewords + symbol.totalCodewords);
  EXPECT_EQ(std::vector<uint8_t>(cw.begin(), cw.begin() + 8), (std::vector<uint8_t>{66, 129, 70, 220, 115, 11, 161, 56}));
  EXPECT_EQ(std::vector<uint8_t>(cw.begin() + 1555, cw.begin() + 1558), (std::vector<uint8_t>{226, 121, 17}));
  EXPECT_EQ(std::vector<uint8_t>(cw.begin() + 1558, cw.begin() + 1568),
            (std::vector<uint8_t>{251, 94, 229, 1, 98, 33, 49, 220, 36, 211}));
  EXPECT_EQ(std::vector<uint8_t>(cw.begin() + 2175, cw.end()), (std::vector<uint8_t>{0, 218, 126}));

  TempDir dir;
  const std::string path = dir.file("output.png");
  ASSERT_EQ(dmEncodeToFile(144, "A", path.c_str()), 0);
  const std::optional<PngPicture> picture = readPng(path);
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->width, 740u);
  // Module X covers file columns 15 + 5X .. 19 + 5X, module Y rows within
  // 14 + 5Y .. 19 + 5Y: the pixel at (17 + 5X, 17 + 5Y) is inside both.
  int wrong = 0;
  for (int y = -1; y <= 142; ++y) {
    for (int x = -1; x <= 142; ++x) {
      const uint8_t expected = dmSymbolModuleDark(symbol, x, y) ? 0 : 255;
      wrong += picture->red(static_cast<uint32_t>(17 + 5 * x), static_cast<uint32_t>(17 + 5 * y)) != expected;
    }
  }
  EXPECT_EQ(wrong, 0);
  dmFreeSymbol(&symbol);
}

}  // namespace
