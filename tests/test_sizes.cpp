#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <dexmora/encode.h>
#include "core/encodation.h"
#include "core/placement.h"
#include "core/symbol_access.h"
#include "png_reader.h"
#include "render/png.h"
#include "render/raster.h"
#include "symbol_scan.h"
#include "test_files.h"

namespace dexmora {
namespace {

std::string sizeName(const testing::TestParamInfo<int>& info) {
  const SymbolSize& size = SYMBOL_SIZES[info.param];
  return std::to_string(size.rows) + "x" + std::to_string(size.cols);
}

EncodeOptions optionsFor(const SymbolSize& size, Dm144Layout layout = Dm144Layout::Defacto) {
  EncodeOptions options;
  options.setSize(size.rows, size.cols);
  options.setDm144(layout);
  return options;
}

// The symbol drawn the default way, written as PNG, read back from the file
// and decoded; the raw bytes the reader recovered, or nullopt.
std::optional<std::string> scanDefaultPicture(const Symbol& symbol) {
  const Expected<std::string> png = encodePngRgb(rasterizeDefault(symbol));
  if (!png) return std::nullopt;
  TempDir dir;
  const std::string path = dir.file("symbol.png");
  writeFileBytes(path, std::vector<uint8_t>(png->begin(), png->end()));
  const std::optional<ZXing::Result> result = scanPngFile(path);
  if (!result) return std::nullopt;
  return resultBytes(*result);
}

using TextMaker = std::function<std::string(size_t)>;

const TextMaker kDigits = [](size_t n) {
  std::string text;
  for (size_t i = 0; i < n; ++i) text += static_cast<char>('0' + (i * 7) % 10);
  return text;
};
const TextMaker kLetters = [](size_t n) {
  static const std::string alphabet = "The quick brown fox, JUMPS over 13 lazy dogs! ~{|}";
  std::string text;
  for (size_t i = 0; i < n; ++i) text += alphabet[i % alphabet.size()];
  return text;
};
const TextMaker kHighBytes = [](size_t n) {
  std::string text;
  for (size_t i = 0; i < n; ++i) text += static_cast<char>(128 + (i * 37) % 128);
  return text;
};

size_t codewordsOf(const std::string& text) {
  return basicLength(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The longest text of this kind whose stream fits `capacity`; the lengths
// grow with n, so a binary search finds it.
size_t longestFitting(const TextMaker& make, int capacity) {
  size_t low = 0, high = 4 * MAX_DATA_CODEWORDS;
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    if (codewordsOf(make(mid)) <= static_cast<size_t>(capacity)) low = mid; else high = mid - 1;
  }
  return low;
}

// Each data region is framed by its own finder: solid left column and bottom
// row, alternating top row (dark at the left) and right column (dark at the
// bottom).
void expectRegionFrames(const Symbol& symbol) {
  const SymbolSize& size = symbol.size();
  const int width = size.regionCols + 2, height = size.regionRows + 2;
  int wrong = 0;
  for (int y = 0; y < size.rows; ++y) {
    for (int x = 0; x < size.cols; ++x) {
      const int rx = x % width, ry = y % height;
      std::optional<bool> dark;
      if (rx == 0 || ry == height - 1) dark = true;
      else if (ry == 0) dark = rx % 2 == 0;
      else if (rx == width - 1) dark = (height - 1 - ry) % 2 == 0;
      if (dark && *dark != symbol.isDark(x, y)) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0) << "modules of the finder and alignment patterns";
}

class EverySize : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Sizes, EverySize, testing::Range(0, SIZE_COUNT), sizeName);

// zxing-cpp 1.4 knows the DMRE sizes, so every one of the 48 is proven by a
// real reader; 144x144 is read in its de-facto layout (see below).
TEST_P(EverySize, DefaultPictureScansToTheExactBytes) {
  const int index = GetParam();
  const SymbolSize& size = SYMBOL_SIZES[index];
  std::vector<std::string> texts = {"0123456789", "Dexmora", "\x80\xA9\xFF\xC4", "A\xE9" "12 b\xFE"};
  for (const TextMaker* make : {&kDigits, &kLetters, &kHighBytes}) {
    const size_t n = longestFitting(*make, size.dataCodewords);
    texts.push_back((*make)(n));
    // One more character no longer fits: the capacity is the table's, exactly.
    const Expected<Symbol> over = encode((*make)(n + 1), optionsFor(size));
    EXPECT_TRUE(!over || over->sizeIndex() != index) << n + 1 << " characters";
  }
  for (const std::string& text : texts) {
    if (codewordsOf(text) > static_cast<size_t>(size.dataCodewords)) continue;
    const Expected<Symbol> symbol = encode(text, optionsFor(size));
    ASSERT_TRUE(symbol) << symbol.error().message();
    ASSERT_EQ(symbol->sizeIndex(), index);
    EXPECT_EQ(symbol->codewords().size(), static_cast<size_t>(size.totalCodewords()));
    EXPECT_EQ(scanDefaultPicture(*symbol), text) << "text of " << text.size() << " bytes";
  }
  expectRegionFrames(encode("7", optionsFor(size)).value());
}

// The codeword a module carries and which of its bits (0 the lowest), as
// recovered from placements of bit-pattern streams.
struct Owner {
  int codeword = 0;
  int bit = 0;
};

// Places `count` codewords made by `make` and returns the mapping matrix.
std::vector<uint8_t> placeStream(const SymbolSize& size, int count, const std::function<uint8_t(int)>& make) {
  std::vector<uint8_t> codewords(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) codewords[static_cast<size_t>(k)] = make(k);
  std::vector<uint8_t> grid(static_cast<size_t>(size.mappingRows()) * static_cast<size_t>(size.mappingCols()));
  placeCodewords(grid.data(), size.mappingRows(), size.mappingCols(), codewords.data(), codewords.size());
  return grid;
}

// Every codeword bit lands on exactly one module, nothing else is assigned,
// and the fixed 2x2 pattern appears exactly where the matrix leaves four
// modules over (mappingRows * mappingCols % 8 == 4).
TEST_P(EverySize, PlacementOwnsEachCodewordBitExactlyOnce) {
  const SymbolSize& size = SYMBOL_SIZES[GetParam()];
  const int total = size.totalCodewords();
  const int rows = size.mappingRows(), cols = size.mappingCols();
  const size_t modules = static_cast<size_t>(rows) * static_cast<size_t>(cols);
  EXPECT_EQ(static_cast<int>(modules / 8), total) << "the mapping matrix holds exactly the table's codewords";

  std::vector<Owner> owners(modules);
  int doubled = 0;
  // A module written by two codewords shows dark in a stream and in its
  // complement; one owned once shows dark in exactly one of them.
  const auto recover = [&](const std::function<uint8_t(int)>& make, const std::function<void(Owner&)>& mark) {
    const std::vector<uint8_t> plain = placeStream(size, total, make);
    const std::vector<uint8_t> inverse = placeStream(size, total, [&](int k) { return uint8_t(~make(k)); });
    for (size_t i = 0; i < modules; ++i) {
      if (!(plain[i] & MODULE_ASSIGNED)) continue;
      if ((plain[i] & MODULE_DARK) && (inverse[i] & MODULE_DARK)) ++doubled;
      if (plain[i] & MODULE_DARK) mark(owners[i]);
    }
  };
  for (int b = 0; b < 8; ++b) {
    recover([b](int) { return uint8_t(1u << b); }, [b](Owner& o) { o.bit += b; });
  }
  for (int j = 0; (total >> j) != 0; ++j) {
    recover([j](int k) { return uint8_t((k >> j) & 1 ? 0xFF : 0); }, [j](Owner& o) { o.codeword |= 1 << j; });
  }
  EXPECT_EQ(doubled, 0);

  const std::vector<uint8_t> grid = placeStream(size, total, [](int) { return uint8_t(0); });
  std::vector<int> seen(static_cast<size_t>(total) * 8);
  std::vector<size_t> unassigned;
  for (size_t i = 0; i < modules; ++i) {
    if (grid[i] & MODULE_ASSIGNED) ++seen[static_cast<size_t>(owners[i].codeword * 8 + owners[i].bit)];
    else unassigned.push_back(i);
  }
  for (size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], 1) << "codeword " << i / 8 << " bit " << i % 8;

  if (modules % 8 == 4) {
    const size_t last = modules - 1, row = static_cast<size_t>(cols);
    ASSERT_EQ(unassigned, (std::vector<size_t>{last - row - 1, last - row, last - 1, last}));
    EXPECT_TRUE(grid[last] & MODULE_DARK);
    EXPECT_TRUE(grid[last - row - 1] & MODULE_DARK);
    EXPECT_FALSE(grid[last - row] & MODULE_DARK);
    EXPECT_FALSE(grid[last - 1] & MODULE_DARK);
  } else {
    EXPECT_TRUE(unassigned.empty());
  }
}

// The reader corrects up to half of each block's error codewords. With that
// many codewords of every block damaged it still reads only when it agrees
// with every other module's place and every block's extent: one misplaced
// codeword, which a plain scan silently corrects, makes it fail.
TEST_P(EverySize, ScansWithEveryBlockAtItsCorrectionLimit) {
  const int index = GetParam();
  const SymbolSize& size = SYMBOL_SIZES[index];
  const std::string text = kLetters(static_cast<size_t>(size.dataCodewords));
  const Symbol clean = encode(text, optionsFor(size)).value();
  std::vector<uint8_t> codewords = clean.codewords();
  // Data codeword p belongs to block p mod blockCount.
  const int damaged = size.blockCount * (size.errorCodewordsPerBlock() / 2);
  for (int p = 0; p < damaged; ++p) codewords[static_cast<size_t>(p)] ^= 0x5A;
  std::vector<uint8_t> grid(static_cast<size_t>(size.mappingRows()) * static_cast<size_t>(size.mappingCols()));
  placeCodewords(grid.data(), size.mappingRows(), size.mappingCols(), codewords.data(), codewords.size());
  const Symbol symbol = detail::SymbolAccess::make(index, codewords, clean.dataLength(), frameModules(size, grid.data()));
  EXPECT_EQ(scanDefaultPicture(symbol), text) << damaged << " damaged codewords";
}

class NonSquare : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Sizes, NonSquare, testing::Range(SQUARE_SIZE_COUNT, SIZE_COUNT), sizeName);

// Rectangles and DMRE sizes: 5-pixel modules on a 10-pixel margin, every
// pixel black exactly where its module is dark.
TEST_P(NonSquare, DefaultPictureHasExactGeometry) {
  const SymbolSize& size = SYMBOL_SIZES[GetParam()];
  const Symbol symbol = encode("Ab12", optionsFor(size)).value();
  ASSERT_EQ(symbol.sizeIndex(), GetParam());
  const Raster raster = rasterizeDefault(symbol);
  ASSERT_EQ(raster.width, static_cast<uint32_t>(5 * size.cols + 20));
  ASSERT_EQ(raster.height, static_cast<uint32_t>(5 * size.rows + 20));
  int wrong = 0;
  for (uint32_t py = 0; py < raster.height; ++py) {
    for (uint32_t px = 0; px < raster.width; ++px) {
      const int x = (static_cast<int>(px) - 10 + 5) / 5 - 1, y = (static_cast<int>(py) - 10 + 5) / 5 - 1;
      const uint8_t expected = symbol.isDark(x, y) ? 0 : 255;
      const uint8_t* pixel = &raster.rgb[(static_cast<size_t>(py) * raster.width + px) * 3];
      if (pixel[0] != expected || pixel[1] != expected || pixel[2] != expected) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  for (int x = 0; x <= size.cols; ++x) EXPECT_EQ(raster.colStart[static_cast<size_t>(x)], 10 + 5 * x);
  for (int y = 0; y <= size.rows; ++y) EXPECT_EQ(raster.rowStart[static_cast<size_t>(y)], 10 + 5 * y);

  const Expected<std::string> png = encodePngRgb(raster);
  ASSERT_TRUE(png);
  const auto be32 = [&](size_t at) {
    return uint32_t(uint8_t((*png)[at])) << 24 | uint32_t(uint8_t((*png)[at + 1])) << 16 |
           uint32_t(uint8_t((*png)[at + 2])) << 8 | uint32_t(uint8_t((*png)[at + 3]));
  };
  EXPECT_EQ(be32(16), raster.width) << "IHDR width";
  EXPECT_EQ(be32(20), raster.height) << "IHDR height";
}

// zxing-cpp 1.4 reads the 144x144 blocks in the older rotated order: the
// de-facto layout scans and the standard's does not, and the two differ only
// in where the error codewords sit.
TEST(Dm144Layout, DefactoScansAndIsoDoesNot) {
  const SymbolSize& size = SYMBOL_SIZES[SQUARE_SIZE_COUNT - 1];
  const std::string text = kLetters(700);
  const Symbol iso = encode(text, optionsFor(size, Dm144Layout::Iso)).value();
  const Symbol defacto = encode(text, optionsFor(size, Dm144Layout::Defacto)).value();
  EXPECT_EQ(scanDefaultPicture(defacto), text);
  EXPECT_EQ(scanDefaultPicture(iso), std::nullopt);
  const auto dataEnd = iso.codewords().begin() + size.dataCodewords;
  EXPECT_TRUE(std::equal(iso.codewords().begin(), dataEnd, defacto.codewords().begin()));
  EXPECT_NE(iso.codewords(), defacto.codewords());
}

struct Selection {
  const char* name;
  size_t letters;
  SizeRequest request;
  int rows;  // expected size; 0 for an error
  int cols;
  ErrorCode error;
};

class SizeSelection : public testing::TestWithParam<Selection> {};

TEST_P(SizeSelection, ChoosesTheExpectedSize) {
  const Selection& row = GetParam();
  EncodeOptions options;
  settingsOf(options).size = row.request;
  const Expected<Symbol> symbol = encode(std::string(row.letters, 'A'), options);
  if (row.rows == 0) {
    ASSERT_FALSE(symbol);
    EXPECT_EQ(symbol.error().code(), row.error);
    EXPECT_FALSE(symbol.error().message().empty());
    return;
  }
  ASSERT_TRUE(symbol) << symbol.error().message();
  EXPECT_EQ(symbol->rows(), row.rows);
  EXPECT_EQ(symbol->cols(), row.cols);
}

constexpr Shape SQ = Shape::Square, RECT = Shape::Rectangle, ANY = Shape::Any;
const Selection kSelections[] = {
    {"SquareAuto", 1, {0, 0, SQ, false}, 10, 10, {}},
    {"SquareIgnoresDmre", 14, {0, 0, SQ, true}, 18, 18, {}},
    {"RectangleAuto", 1, {0, 0, RECT, false}, 8, 18, {}},
    {"RectangleWithoutDmre", 23, {0, 0, RECT, false}, 16, 36, {}},
    {"RectangleWithDmre", 23, {0, 0, RECT, true}, 8, 64, {}},
    {"DmreSmallestArea", 17, {0, 0, RECT, true}, 8, 48, {}},
    {"AnySmallestIsSquare", 1, {0, 0, ANY, false}, 10, 10, {}},
    {"AnyTieGoesToSquare", 5, {0, 0, ANY, false}, 12, 12, {}},
    {"AnySmallestIsRectangle", 14, {0, 0, ANY, false}, 12, 26, {}},
    {"AnyWithDmre", 23, {0, 0, ANY, true}, 22, 22, {}},
    {"RequestedSquareFits", 1, {24, 24, SQ, false}, 24, 24, {}},
    {"RequestedRectangleFits", 1, {12, 36, SQ, false}, 12, 36, {}},
    {"RequestedDmreFitsWithoutFlag", 1, {20, 44, SQ, false}, 20, 44, {}},
    {"RectangleFallsBackToRectangle", 6, {8, 18, SQ, false}, 8, 32, {}},
    {"RectangleFallsBackWithoutDmre", 17, {8, 18, RECT, false}, 12, 36, {}},
    {"RectangleFallsBackToDmre", 17, {8, 18, RECT, true}, 8, 48, {}},
    {"DmreFallsBackToSmallestRectangle", 19, {8, 48, ANY, false}, 12, 36, {}},
    {"SquareFallsBackToSquare", 14, {10, 10, ANY, false}, 18, 18, {}},
    {"TooLongForRectangles", 50, {0, 0, RECT, false}, 0, 0, ErrorCode::TooLong},
    {"TooLongForEverything", 1559, {0, 0, ANY, true}, 0, 0, ErrorCode::TooLong},
    {"NoSuchSize", 1, {9, 9, SQ, false}, 0, 0, ErrorCode::BadOption},
    {"NoSuchRectangle", 1, {18, 8, RECT, false}, 0, 0, ErrorCode::BadOption},
};
INSTANTIATE_TEST_SUITE_P(Table, SizeSelection, testing::ValuesIn(kSelections),
                         [](const testing::TestParamInfo<Selection>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dexmora
