#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

#include <dexmora/render.h>
#include "render/png.h"
#include "render/png_compact.h"
#include "render/raster.h"
#include <dexmora/verify.h>
#include "core/symbol_access.h"
#include "reader/zxing_reader.h"
#include "test_render_support.h"

using namespace dexmora;

namespace {

struct PngCase {
  int rows;
  int cols;
  int modulePixels;
  int quietZone;
  const char* foreground;
  const char* background;
  bool invert;
  int colourType;  // expected IHDR colour type
  bool hasTrns;
};

RenderSettings settingsOf(const PngCase& c) {
  RenderSettings settings;
  settings.setModulePixels(c.modulePixels);
  settings.setQuietZone(c.quietZone);
  settings.setForeground(parseColour(c.foreground, false).value());
  settings.setBackground(parseColour(c.background, true).value());
  settings.setInvert(c.invert);
  return settings;
}

std::vector<uint8_t> decodeRgba(const std::string& png) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  EXPECT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  EXPECT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr));
  return rgba;
}

class CompactPng : public ::testing::TestWithParam<PngCase> {};

TEST_P(CompactPng, EveryPixelHasItsModulesExactColour) {
  const PngCase& c = GetParam();
  const Symbol symbol = encodeAt(textFor(c.rows, c.cols), c.rows, c.cols);
  const RenderSettings settings = settingsOf(c);
  const Expected<std::string> png = renderOutput(symbol, OutputFormat::Png, settings, false);
  ASSERT_TRUE(png.ok()) << png.error().message();

  const std::string ihdr = pngChunk(*png, "IHDR").value();
  EXPECT_EQ(ihdr[8], 1) << "bit depth";
  EXPECT_EQ(ihdr[9], c.colourType);
  EXPECT_EQ(pngChunk(*png, "tRNS").has_value(), c.hasTrns);
  EXPECT_FALSE(pngChunk(*png, "pHYs").has_value());

  const int width = (c.cols + 2 * c.quietZone) * c.modulePixels;
  const int height = (c.rows + 2 * c.quietZone) * c.modulePixels;
  const std::vector<uint8_t> rgba = decodeRgba(*png);
  ASSERT_EQ(rgba.size(), static_cast<size_t>(width) * height * 4);
  const PaintColours colours = paintColours(settings);
  long wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int mx = x / c.modulePixels - c.quietZone;
      const int my = y / c.modulePixels - c.quietZone;
      const Colour want = symbol.isDark(mx, my) ? colours.dark : colours.light;
      const uint8_t* p = rgba.data() + (static_cast<size_t>(y) * width + x) * 4;
      wrong += Colour{p[0], p[1], p[2], p[3]} != want;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_P(CompactPng, ScansAndVerifies) {
  const PngCase& c = GetParam();
  const std::string text = textFor(c.rows, c.cols);
  const Symbol symbol = encodeAt(text, c.rows, c.cols);
  const RenderSettings settings = settingsOf(c);
  const std::string png = renderOutput(symbol, OutputFormat::Png, settings, false).value();
  const Expected<VerifyReport> verified = verify(symbol, png, settings, {text, false}, &zxingReader());
  ASSERT_TRUE(verified.ok()) << verified.error().message();
  if (c.rows == 144) {
    EXPECT_NE(verified->note.find("144x144"), std::string::npos);
    return;
  }
  GreyPicture picture = decodePngGrey(png).value();
  if (c.invert) {
    for (uint8_t& g : picture.grey) g = static_cast<uint8_t>(255 - g);
  }
  // The reader itself needs a quiet zone and more than one pixel a module;
  // verification enlarges such pictures and says so.
  if (c.quietZone > 0 && c.modulePixels > 1) {
    EXPECT_EQ(readDataMatrix(picture), text);
    EXPECT_EQ(verified->note, "");
  } else {
    EXPECT_NE(verified->note.find("enlarged"), std::string::npos);
  }
}

constexpr int GREY = PNG_COLOR_TYPE_GRAY;
constexpr int PALETTE = PNG_COLOR_TYPE_PALETTE;

INSTANTIATE_TEST_SUITE_P(
    SizesAndColours, CompactPng,
    ::testing::Values(PngCase{10, 10, 1, 2, "000000", "ffffff", false, GREY, false},
                      PngCase{10, 10, 4, 0, "000000", "ffffff", false, GREY, false},
                      PngCase{20, 20, 3, 2, "000000", "ffffff", true, GREY, false},
                      PngCase{20, 20, 5, 4, "00008b", "ffff00", false, PALETTE, false},
                      PngCase{52, 52, 2, 1, "202020", "transparent", false, PALETTE, true},
                      PngCase{52, 52, 4, 3, "000000cc", "ffffff", false, PALETTE, true},
                      PngCase{104, 104, 3, 2, "004000", "f0f0f0", false, PALETTE, false},
                      PngCase{144, 144, 2, 2, "000000", "ffffff", false, GREY, false},
                      PngCase{8, 18, 6, 2, "000000", "ffffff", false, GREY, false},
                      PngCase{16, 48, 4, 2, "400000", "ffffff", false, PALETTE, false},
                      PngCase{12, 64, 3, 2, "000000", "ffffff", false, GREY, false},
                      PngCase{10, 10, 100, 1, "000000", "ffffff", false, GREY, false}));

TEST(CompactPng, PhysChunkCarriesTheResolution) {
  RenderSettings settings;
  settings.setXdimMm(0.5);
  settings.setDpi(600);
  const std::string png = renderOutput(encodeAt("dpi", 10, 10), OutputFormat::Png, settings, false).value();
  const std::string phys = pngChunk(png, "pHYs").value();
  // 600 dpi = 23622 pixels per metre (0x5C46) in x and y, unit 1 (metre).
  EXPECT_EQ(phys, std::string("\0\0\x5c\x46\0\0\x5c\x46\x01", 9));
  EXPECT_EQ(decodePngGrey(png)->width, 14 * 12);
}

TEST(CompactPng, LowContrastIsRefusedBeforeDrawing) {
  RenderSettings settings;
  settings.setForeground(Colour{0xcc, 0xcc, 0xcc, 255});
  const Expected<std::string> png = renderOutput(encodeAt("x", 10, 10), OutputFormat::Png, settings, false);
  ASSERT_FALSE(png.ok());
  EXPECT_NE(png.error().message().find("too low to scan"), std::string::npos);
}

Symbol withModuleFlipped(const Symbol& symbol, int x, int y) {
  std::vector<uint8_t> modules = symbol.modules();
  modules[static_cast<size_t>(y) * symbol.cols() + x] ^= 1;
  return detail::SymbolAccess::make(symbol.sizeIndex(), symbol.codewords(), symbol.dataLength(), modules);
}

struct MismatchCase {
  int flipX;  // < 0: no module flipped
  int flipY;
  const char* expectedText;
  const char* message;
};

class VerifyMismatch : public ::testing::TestWithParam<MismatchCase> {};

TEST_P(VerifyMismatch, ReportsWhatDiffers) {
  const MismatchCase& c = GetParam();
  const Symbol symbol = encodeAt("VERIFY ME", 16, 16);
  RenderSettings settings;
  settings.setModulePixels(3);
  const std::string png = renderOutput(symbol, OutputFormat::Png, settings, false).value();
  const Symbol against = c.flipX < 0 ? symbol : withModuleFlipped(symbol, c.flipX, c.flipY);
  const Expected<VerifyReport> result =
      verify(against, png, settings, {std::string(c.expectedText), false}, &zxingReader());
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().code(), ErrorCode::VerifyMismatch);
  EXPECT_NE(result.error().message().find(c.message), std::string::npos) << result.error().message();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, VerifyMismatch,
    ::testing::Values(MismatchCase{5, 7, "VERIFY ME", "9 pixels differ"},
                      MismatchCase{0, 0, "VERIFY ME", "module (0, 0)"},
                      MismatchCase{-1, 0, "VERIFY YOU", "instead of 'VERIFY YOU'"}));

class DefaultPicture : public ::testing::TestWithParam<std::pair<int, int>> {};

// Without rendering options the first release's picture is written unchanged
// and verifies against the raster's own module spans.
TEST_P(DefaultPicture, IsTheRasterPathAndVerifies) {
  const auto [rows, cols] = GetParam();
  const std::string text = textFor(rows, cols);
  const Symbol symbol = encodeAt(text, rows, cols);
  const std::string png = renderOutput(symbol, OutputFormat::Png, {}, true).value();
  const Raster raster = rasterizeDefault(symbol);
  EXPECT_EQ(png, encodePngRgb(raster).value());
  const Expected<VerifyReport> result = verify(symbol, png, {}, {text, false}, &zxingReader());
  EXPECT_TRUE(result.ok()) << result.error().message();
}

INSTANTIATE_TEST_SUITE_P(Sizes, DefaultPicture,
                         ::testing::Values(std::pair{10, 10}, std::pair{20, 20}, std::pair{52, 52},
                                           std::pair{104, 104}, std::pair{144, 144}, std::pair{16, 36}));

TEST(Verify, UnreadableBytesAreAMismatch) {
  const Expected<VerifyReport> result = verify(encodeAt("x", 10, 10), "not a png", {}, {}, &zxingReader());
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.error().message().find("cannot be read back"), std::string::npos);
}

}  // namespace
