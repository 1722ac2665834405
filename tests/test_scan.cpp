#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "classic/encode_job.h"
#include "classic/symbol_tables.h"
#include "core/placement.h"
#include "png_reader.h"
#include "symbol_scan.h"
#include "symbol_fixture.h"
#include "test_files.h"

namespace {

// Texts of every kind the dialog takes, each with the side of the smallest
// symbol that holds it.
const struct {
  const char* text;
  int smallestSide;
} kTexts[] = {
    {"123456", 10},
    {"123456789012", 14},
    {"HELLO WORLD", 16},
    {"dexmora", 14},
    {"!\"#$%&'()*+,", 16},
    {"~/:;<=>?@[\\]", 16},
    {"\x80\x81\xA9\xC4\xE3\xFE\xFF", 16},
    {"\x80" "A\x80" "A\x80" "A\x80" "A\x80" "A\x80" "A", 22},
    {"Ab1\xE9 9-Z~12", 16},
    {"A\xC4" "12", 12},
};

// Decodes the Data Matrix symbol in the PNG at `path`; the raw bytes it
// carries, or nullopt when the reader finds none.
std::optional<std::string> scan(const std::string& path, uint32_t* side = nullptr) {
  const std::optional<ZXing::Result> result = scanPngFile(path, side);
  if (!result) return std::nullopt;
  return resultBytes(*result);
}

// zxing-cpp 1.4 reads the 144x144 symbol's error codewords in an order that
// differs from the standard's block interleaving, which the encoder follows,
// so it cannot read a correct 144x144 symbol; that size is covered below by
// its exact codewords and pixels instead.
class ScanEverySize : public testing::TestWithParam<int> {};

// The picture has the requested size when the text fits it, else the
// smallest that holds the text, and decodes to the text.
TEST_P(ScanEverySize, ReaderRecoversEveryText) {
  const int size = GetParam();
  TempDir dir;
  const std::string path = dir.file("output.png");
  for (const auto& t : kTexts) {
    SCOPED_TRACE(testing::PrintToString(std::string(t.text)));
    ASSERT_EQ(dmEncodeToFile(size, t.text, path.c_str()), 0);
    uint32_t side = 0;
    EXPECT_EQ(scan(path, &side), std::string(t.text));
    EXPECT_EQ(side, static_cast<uint32_t>(5 * std::max(size, t.smallestSide) + 20));
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScanEverySize,
                         testing::ValuesIn(SelectableSizes, SelectableSizes + DM_SYMBOL_SIZE_COUNT - 1));

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
  DmSymbol symbol{};
  requestedSize = 144;
  buildClassicSymbol(&symbol, reinterpret_cast<const uint8_t*>("A"), 1);
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
  const std::vector<uint8_t> modules = dexmora::frameModules(dexmora::SYMBOL_SIZES[23], symbol.moduleGrid);
  int wrong = 0;
  for (int y = -1; y <= 142; ++y) {
    for (int x = -1; x <= 142; ++x) {
      const uint8_t expected = modules[static_cast<size_t>((y + 1) * 144 + x + 1)] ? 0 : 255;
      wrong += picture->red(static_cast<uint32_t>(17 + 5 * x), static_cast<uint32_t>(17 + 5 * y)) != expected;
    }
  }
  EXPECT_EQ(wrong, 0);
  dmFreeSymbol(&symbol);
}

}  // namespace
