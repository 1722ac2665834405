#include "classic/picture_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include <climits>
#include <cstring>

#include "classic/symbol_tables.h"
#include "png_reader.h"
#include "symbol_fixture.h"
#include "test_files.h"

namespace {

constexpr int kQuiet = INT_MIN;

// The module row band that is one pixel short, by symbol side.
int shortBand(int symbolSize) {
  if (symbolSize == 10) return 2;
  if (symbolSize <= 20) return 4;
  if (symbolSize == 22) return 6;
  if (symbolSize <= 40) return 8;
  if (symbolSize == 44) return 12;
  if (symbolSize <= 80) return 16;
  if (symbolSize == 88) return 24;
  return 32;
}

// Module column X shown in file column c: the left edge is 4 pixels wide,
// every other column 5, behind 11 quiet columns.
int moduleColumn(int c, int symbolSize) {
  if (c < 11 || c > 5 * symbolSize + 9) return kQuiet;
  if (c < 15) return -1;
  return (c - 15) / 5;
}

// Module row Y shown in file row p: 10 quiet rows, a 5-pixel top edge, and
// 5-pixel rows except the short band K, which is 4.
int moduleRow(int p, int symbolSize) {
  const int k = shortBand(symbolSize);
  if (p < 10 || p > 5 * symbolSize + 8) return kQuiet;
  if (p < 15) return -1;
  if (p <= 18 + 5 * k) return (p - 15) / 5;
  return (p - 14) / 5;
}

void fillPseudoRandom(std::vector<uint8_t>& grid) {
  uint32_t state = 12345;
  for (uint8_t& byte : grid) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<uint8_t>((state >> 16) & 7);
  }
}

// Paints and writes the job's picture; the file as read back.
PngPicture renderAndRead(ClassicJob& job) {
  TempDir dir;
  const std::string path = dir.file("output.png");
  EXPECT_EQ(dmRenderImage(job.encoder(), path.c_str()), 1);
  std::string error;
  std::optional<PngPicture> picture = readPng(path, &error);
  if (!picture) ADD_FAILURE() << error;
  return picture.value_or(PngPicture{});
}

// A text of `length` bytes that differs with `seed`, without a zero byte.
std::string pseudoRandomText(uint32_t seed, size_t length) {
  std::string text(length, '\0');
  for (char& c : text) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(1 + (seed >> 16) % 255);
  }
  return text;
}

struct Rect {
  int x0, x1, y0, y1;  // inclusive file columns and rows
  bool dark;
};

void expectRects(const PngPicture& picture, const std::vector<Rect>& rects) {
  for (const Rect& r : rects) {
    for (int y = r.y0; y <= r.y1; ++y) {
      for (int x = r.x0; x <= r.x1; ++x) {
        ASSERT_EQ(picture.red(x, y), r.dark ? 0 : 255)
            << "column " << x << " row " << y << " of rect " << r.x0 << "-" << r.x1 << " x " << r.y0 << "-" << r.y1;
      }
    }
  }
}

struct Module {
  int x, y;
  bool dark;
};

// Module (x, y) counted from -1 at the left and top finder edges, the
// coordinates the picture's transform works in.
bool darkAt(const dexmora::Symbol& symbol, int x, int y) { return symbol.isDark(x + 1, y + 1); }

void expectModules(const GridFixture& fixture, const std::vector<Module>& modules) {
  const dexmora::Symbol symbol = fixture.framed();
  for (const Module& m : modules)
    EXPECT_EQ(darkAt(symbol, m.x, m.y), m.dark) << "module (" << m.x << ", " << m.y << ")";
}

TEST(FramedModules, FinderAndQuietZoneOfTheSmallestSymbol) {
  GridFixture f(0);  // 10x10, Xmax = Ymax = 8, data all light
  expectModules(f, {
      {-2, 0, false}, {9, 0, false},   {0, -2, false}, {0, 9, false},  {-2, -2, false},
      {-1, -1, true}, {-1, 4, true},   {-1, 8, true},  {0, 8, true},   {8, 8, true},
      {0, -1, false}, {1, -1, true},   {7, -1, true},  {8, -1, false},  // top edge: dark at odd X
      {8, 0, true},   {8, 1, false},   {8, 7, false},                    // right edge: dark at even Y
      {0, 0, false},  {7, 7, false},
  });
}

TEST(FramedModules, OnlyTheDarkBitOfAGridByteCounts) {
  GridFixture f(0);
  const struct {
    uint8_t byte;
    bool dark;
  } cases[] = {{0, false}, {1, true}, {2, false}, {4, false}, {6, false}, {7, true}, {0xFF, true}};
  for (const auto& c : cases) {
    f.module(3, 5) = c.byte;
    EXPECT_EQ(darkAt(f.framed(), 5, 3), c.dark) << "grid byte " << int{c.byte};
  }
}

TEST(FramedModules, AlignmentPatternsOfFourRegions) {
  GridFixture f(9);  // 32x32: regions of 14, period 16, Xmax = Ymax = 30
  f.module(14, 14) = 1;
  expectModules(f, {
      {14, 0, true},  {14, 1, false}, {14, 13, false}, {14, 16, true},   // alternating column
      {15, -1, true}, {15, 0, true},  {15, 15, true},  {15, 30, true},   // solid column
      {-1, 14, true}, {0, 14, true},  {14, 14, true},  {30, 14, true},   // solid row
      {0, 15, false}, {1, 15, true},  {14, 15, false}, {29, 15, true},   // alternating row
      {30, 15, false}, {16, 16, true}, {17, 16, false}, {16, 17, false}, // grid (14, 14) at (16, 16)
      {13, 13, false},
  });
}

// Every grid module appears where its region band puts it, for every size:
// grid row r at Y = r + 2 * (r div regionSize), columns likewise.
TEST(FramedModules, EveryGridModuleLandsInItsRegion) {
  for (int sizeIndex = 0; sizeIndex < DM_SYMBOL_SIZE_COUNT; ++sizeIndex) {
    GridFixture f(sizeIndex);
    SCOPED_TRACE(f.symbolSize);
    fillPseudoRandom(f.grid);
    const dexmora::Symbol framed = f.framed();
    const int side = f.side;
    int mismatches = 0;
    for (int r = 0; r < side; ++r) {
      for (int c = 0; c < side; ++c) {
        const int y = r + 2 * (r / f.regionSize);
        const int x = c + 2 * (c / f.regionSize);
        mismatches += darkAt(framed, x, y) != ((f.module(r, c) & 1) != 0);
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

// The whole picture of every size, pixel by pixel, against the spans: 11 quiet
// columns left and 10 right, 10 quiet rows on top and 11 below, a 4-pixel left
// edge and one 4-pixel module row; the transform that maps it,
// (s, 0, 0, 0, -s, 0, -3.5, Ymax + 2.5, 1) with s = 0.2 in single precision;
// and the encoder's raster, which holds the file's rows bottom row first.
TEST(RenderImage, EveryPixelShowsItsModuleInEverySize) {
  for (int sizeIndex = 0; sizeIndex < DM_SYMBOL_SIZE_COUNT; ++sizeIndex) {
    // No byte takes more than three codewords, so the text fits the size asked for.
    const size_t length = std::clamp(SymbolAttributes[sizeIndex].dataCodewords / 3, 1, 12);
    ClassicJob job(SelectableSizes[sizeIndex], pseudoRandomText(static_cast<uint32_t>(sizeIndex), length));
    const int symbolSize = job.symbolSize();
    SCOPED_TRACE(symbolSize);
    ASSERT_EQ(symbolSize, SelectableSizes[sizeIndex]);
    const PngPicture picture = renderAndRead(job);
    const Matrix3& transform = job.encoder().transform;

    const float s = transform.m[0];
    uint32_t bits;
    std::memcpy(&bits, &s, sizeof bits);
    EXPECT_EQ(bits, 0x3E4CCCCDu);
    const float ymax = static_cast<float>(symbolSize - 2);
    const float expected[9] = {s, 0, 0, 0, -s, 0, -3.5f, ymax + 2.5f, 1};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(transform.m[i], expected[i]) << "m" << i;

    const uint32_t side = static_cast<uint32_t>(5 * symbolSize + 20);
    ASSERT_EQ(picture.width, side);
    ASSERT_EQ(picture.height, side);
    int wrong = 0;
    for (uint32_t p = 0; p < side; ++p) {
      for (uint32_t c = 0; c < side; ++c) {
        const int x = moduleColumn(static_cast<int>(c), symbolSize);
        const int y = moduleRow(static_cast<int>(p), symbolSize);
        const bool dark = x != kQuiet && y != kQuiet && darkAt(job.finished(), x, y);
        const uint8_t* rgb = &picture.rgb[(p * side + c) * 3];
        const uint8_t value = dark ? 0 : 255;
        if (rgb[0] != value || rgb[1] != value || rgb[2] != value) {
          if (wrong++ < 5) ADD_FAILURE() << "file column " << c << " row " << p;
        }
      }
      const std::vector<uint8_t> fileRow(picture.rgb.begin() + p * side * 3, picture.rgb.begin() + (p + 1) * side * 3);
      if (job.rasterRow(side - 1 - p) != fileRow && wrong++ < 5) ADD_FAILURE() << "raster row for file row " << p;
    }
    EXPECT_EQ(wrong, 0);
  }
}

// "123456" in 10x10: grid module (0, 0) is dark, (7, 7) light.
TEST(RenderImage, SmallestSymbolSpans) {
  ClassicJob job(10, "123456");
  ASSERT_EQ(job.symbol().moduleGrid[0], DM_MODULE_DARK | DM_MODULE_ASSIGNED | DM_MODULE_VISITED);
  ASSERT_EQ(job.symbol().moduleGrid[63], DM_MODULE_ASSIGNED | DM_MODULE_VISITED);
  const PngPicture picture = renderAndRead(job);
  ASSERT_EQ(picture.width, 70u);
  expectRects(picture, {
      {0, 69, 0, 9, false},    {0, 69, 59, 69, false}, {0, 10, 0, 69, false}, {60, 69, 0, 69, false},
      {11, 14, 10, 14, true},  {15, 19, 10, 14, false}, {20, 24, 10, 14, true}, {25, 29, 10, 14, false},
      {30, 34, 10, 14, true},  {35, 39, 10, 14, false}, {40, 44, 10, 14, true}, {45, 49, 10, 14, false},
      {50, 54, 10, 14, true},  {55, 59, 10, 14, false},
      {11, 14, 10, 58, true},  {11, 59, 54, 58, true},
      {55, 59, 15, 19, true},  {55, 59, 20, 24, false}, {55, 59, 25, 28, true}, {55, 59, 29, 33, false},
      {55, 59, 34, 38, true},  {55, 59, 39, 43, false}, {55, 59, 44, 48, true}, {55, 59, 49, 53, false},
      {15, 19, 15, 19, true},  {50, 54, 49, 53, false},
  });
}

TEST(RenderImage, FourRegionSymbolSpans) {
  ClassicJob job(32, "Dexmora 32");
  const dexmora::Symbol& symbol = job.finished();
  const PngPicture picture = renderAndRead(job);
  ASSERT_EQ(picture.width, 180u);
  expectRects(picture, {
      {85, 89, 15, 19, true},  {85, 89, 20, 24, false},  // X = 14 alternates, dark at even Y
      {90, 94, 10, 168, true},                           // X = 15 solid from the top edge down
      {11, 169, 84, 88, true},                           // Y = 14 solid across
      {85, 89, 89, 93, false}, {90, 94, 89, 93, true},  // Y = 15 dark at odd X
      // grid (14, 14), (14, 15) and (15, 14) at X, Y = 16 and 17
      {95, 99, 94, 98, darkAt(symbol, 16, 16)}, {100, 104, 94, 98, darkAt(symbol, 17, 16)},
      {95, 99, 99, 103, darkAt(symbol, 16, 17)},
      {165, 169, 50, 54, false}, {165, 169, 55, 58, true}, {165, 169, 59, 63, false},  // short band Y = 8
  });
}

TEST(RenderImage, LargestSymbolSpans) {
  ClassicJob job(144, "A");
  const PngPicture picture = renderAndRead(job);
  ASSERT_EQ(picture.width, 740u);
  expectRects(picture, {
      {11, 14, 10, 14, true},  {15, 19, 10, 14, false}, {0, 739, 9, 9, false},    // Y = -1
      {11, 729, 724, 728, true}, {0, 739, 729, 729, false},                        // Y = 142
      {725, 729, 170, 174, false}, {725, 729, 175, 178, true}, {725, 729, 179, 183, false},  // Y = 32
  });
}

TEST(RenderImage, ReturnsTheWritersFailureAfterPainting) {
  ClassicJob job(0, "123456");
  TempDir dir;
  errno = 0;
  EXPECT_EQ(dmRenderImage(job.encoder(), dir.file("missing/output.png").c_str()), 0);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(job.encoder().image.pixels[0], 255);  // bottom-left buffer pixel is quiet zone
  EXPECT_TRUE(dir.entries().empty());
}

// A symbol the library refused leaves nothing to paint: the raster and the
// directory stay as they were.
TEST(RenderImage, WithoutAFinishedSymbolPaintsNothing) {
  DmEncoder* encoder = dmCreateEncoder(0);
  uint8_t pixels[3] = {1, 2, 3};
  encoder->image = {1, 1, pixels, nullptr};
  TempDir dir;
  errno = 0;
  EXPECT_EQ(dmRenderImage(*encoder, dir.file("output.png").c_str()), 0);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(pixels[0], 1);
  EXPECT_TRUE(dir.entries().empty());
  encoder->image.pixels = nullptr;
  dmDestroyEncoder(&encoder);
}

}  // namespace
