#include <gtest/gtest.h>

#include <cmath>

#include <dexmora/render.h>
#include "render/png_compact.h"
#include <dexmora/render.h>

using namespace dexmora;

namespace {

struct LengthCase {
  const char* text;
  double mm;  // < 0: refused
};

class ParseLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(ParseLength, GivesMillimetresOrNamesTheValue) {
  const LengthCase& c = GetParam();
  const Expected<double> length = parseLength(c.text);
  if (c.mm < 0) {
    ASSERT_FALSE(length.ok());
    EXPECT_NE(length.error().message().find(std::string("'") + c.text + "'"), std::string::npos)
        << length.error().message();
  } else {
    ASSERT_TRUE(length.ok()) << length.error().message();
    EXPECT_NEAR(*length, c.mm, 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(Units, ParseLength,
                         ::testing::Values(LengthCase{"0.5mm", 0.5}, LengthCase{"20mil", 0.508},
                                           LengthCase{"0.02in", 0.508}, LengthCase{"1in", 25.4},
                                           LengthCase{"7.5mil", 0.1905},
                                           LengthCase{"0.5 mm", 0.5}, LengthCase{"0.5MM", 0.5},
                                           LengthCase{"20 Mil", 0.508}, LengthCase{"0.5  mm", -1},
                                           LengthCase{" 0.5mm", -1}, LengthCase{"0.5mm ", -1},
                                           LengthCase{"0.5", -1}, LengthCase{"mm", -1}, LengthCase{" mm", -1},
                                           LengthCase{"-1mm", -1}, LengthCase{"30mm", -1},
                                           LengthCase{"0.5cm", -1}, LengthCase{"1e1mm", -1}));

struct ColourCase {
  const char* text;
  bool allowTransparent;
  bool ok;
  Colour colour;
};

class ParseColour : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ParseColour, ReadsHexOrRefuses) {
  const ColourCase& c = GetParam();
  const Expected<Colour> colour = parseColour(c.text, c.allowTransparent);
  ASSERT_EQ(colour.ok(), c.ok) << c.text;
  if (c.ok) {
    EXPECT_EQ(*colour, c.colour);
  } else {
    EXPECT_NE(colour.error().message().find(c.text), std::string::npos) << colour.error().message();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ParseColour,
    ::testing::Values(ColourCase{"000000", false, true, {0, 0, 0, 255}},
                      ColourCase{"#FFfF00", false, true, {255, 255, 0, 255}},
                      ColourCase{"12345678", false, true, {0x12, 0x34, 0x56, 0x78}},
                      ColourCase{"#a0b1c2ff", false, true, {0xa0, 0xb1, 0xc2, 255}},
                      ColourCase{"transparent", true, true, {255, 255, 255, 0}},
                      ColourCase{"transparent", false, false, {}}, ColourCase{"#12345", false, false, {}},
                      ColourCase{"1234567", false, false, {}}, ColourCase{"12345g", false, false, {}},
                      ColourCase{"##123456", false, false, {}}, ColourCase{"black", false, false, {}},
                      ColourCase{"", false, false, {}}));

struct ContrastCase {
  const char* foreground;
  const char* background;
  bool invert;
  const char* refusal;  // nullptr: accepted
};

class Contrast : public ::testing::TestWithParam<ContrastCase> {};

TEST_P(Contrast, RefusesUnscannablePairsWithAReason) {
  const ContrastCase& c = GetParam();
  RenderSettings settings;
  settings.setForeground(parseColour(c.foreground, false).value());
  settings.setBackground(parseColour(c.background, true).value());
  settings.setInvert(c.invert);
  const Expected<void> valid = checkRenderSettings(settings);
  if (!c.refusal) {
    EXPECT_TRUE(valid.ok()) << valid.error().message();
  } else {
    ASSERT_FALSE(valid.ok());
    EXPECT_NE(valid.error().message().find(c.refusal), std::string::npos) << valid.error().message();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, Contrast,
    ::testing::Values(ContrastCase{"000000", "ffffff", false, nullptr},
                      ContrastCase{"000000", "ffffff", true, nullptr},
                      ContrastCase{"00008b", "ffff00", false, nullptr},
                      ContrastCase{"000000", "transparent", false, nullptr},
                      ContrastCase{"777777", "ffffff", false, nullptr},  // 4.48:1
                      ContrastCase{"999999", "ffffff", false, "2.85:1, too low to scan"},
                      ContrastCase{"ff0000", "00ff00", false, "too low to scan"},
                      ContrastCase{"00000040", "ffffff", false, "too low to scan"},
                      ContrastCase{"00000000", "ffffff", false, "transparent foreground"},
                      ContrastCase{"000000", "transparent", true, "invert with a transparent background"},
                      ContrastCase{"ffffff", "000000", false, nullptr}));

TEST(Settings, ModuleAndDpiTogetherAreRefused) {
  RenderSettings settings;
  settings.setModulePixels(4);
  settings.setDpi(300);
  EXPECT_FALSE(checkRenderSettings(settings).ok());
}

struct GeometryCase {
  std::optional<int> modulePixels;
  std::optional<double> xdimMm;
  std::optional<int> dpi;
  int quietZone;
  int expectedModule;
  uint32_t expectedPerMetre;
  bool warns;
};

class Geometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(Geometry, RoundsTheXDimensionToWholePixels) {
  const GeometryCase& c = GetParam();
  RenderSettings settings;
  if (c.modulePixels) settings.setModulePixels(*c.modulePixels);
  if (c.xdimMm) settings.setXdimMm(*c.xdimMm);
  if (c.dpi) settings.setDpi(*c.dpi);
  settings.setQuietZone(c.quietZone);
  const PngGeometry geometry = pngGeometry(settings);
  EXPECT_EQ(geometry.modulePixels, c.expectedModule);
  EXPECT_EQ(geometry.quietPixels, c.quietZone * c.expectedModule);
  EXPECT_EQ(geometry.pixelsPerMetre, c.expectedPerMetre);
  EXPECT_EQ(geometry.notice.has_value(), c.warns);
}

INSTANTIATE_TEST_SUITE_P(
    Options, Geometry,
    ::testing::Values(GeometryCase{std::nullopt, std::nullopt, std::nullopt, 2, 5, 0, false},
                      GeometryCase{7, std::nullopt, std::nullopt, 0, 7, 0, false},
                      GeometryCase{10, 0.5, std::nullopt, 1, 10, 20000, false},
                      GeometryCase{std::nullopt, 0.5, 600, 2, 12, 23622, false},   // 11.81 px
                      GeometryCase{std::nullopt, 0.254, 300, 2, 3, 11811, false},  // exactly 3 px
                      GeometryCase{std::nullopt, 0.25, 150, 2, 1, 5906, true},     // 1.48 px
                      GeometryCase{std::nullopt, 0.1, 72, 4, 1, 2835, true},       // 0.28 px
                      GeometryCase{std::nullopt, std::nullopt, 254, 3, 5, 10000, false}));

struct FormatCase {
  const char* path;
  std::optional<OutputFormat> asked;     // a format option
  std::optional<OutputFormat> expected;  // nullopt: refused
};

class FormatForPath : public ::testing::TestWithParam<FormatCase> {};

// One rule for every file: the format option decides and a contradicting
// extension is refused; else our extensions decide in any case; foreign
// picture extensions are refused; any other name is PNG.
TEST_P(FormatForPath, FollowsTheOneRule) {
  const FormatCase& c = GetParam();
  const Expected<OutputFormat> format = formatForPath(c.path, c.asked);
  if (c.expected) {
    ASSERT_TRUE(format.ok()) << c.path << ": " << format.error().message();
    EXPECT_EQ(*format, *c.expected) << c.path;
  } else {
    ASSERT_FALSE(format.ok()) << c.path;
    EXPECT_EQ(format.error().code(), ErrorCode::BadOption);
    EXPECT_NE(format.error().message().find(c.path), std::string::npos) << format.error().message();
  }
}

constexpr auto kPng = OutputFormat::Png;
constexpr auto kSvg = OutputFormat::Svg;
constexpr auto kPdf = OutputFormat::Pdf;
constexpr std::optional<OutputFormat> kAny;
constexpr std::optional<OutputFormat> kRefused;

INSTANTIATE_TEST_SUITE_P(
    Paths, FormatForPath,
    ::testing::Values(FormatCase{"a.png", kAny, kPng}, FormatCase{"dir.x/a.SVG", kAny, kSvg},
                      FormatCase{"a.b.pdf", kAny, kPdf}, FormatCase{"/tmp/x.eps", kAny, OutputFormat::Eps},
                      FormatCase{"out.TxT", kAny, OutputFormat::Txt}, FormatCase{"a.jpeg", kAny, kRefused},
                      FormatCase{"a.JPG", kAny, kRefused}, FormatCase{"x.webp", kAny, kRefused},
                      FormatCase{"scan.tiff", kAny, kRefused}, FormatCase{"dir.pdf/file", kAny, kPng},
                      FormatCase{"noext", kAny, kPng}, FormatCase{"tmp.Xa9fQ2", kAny, kPng},
                      FormatCase{"/dev/stdout", kAny, kPng}, FormatCase{"-", kAny, kPng},
                      FormatCase{".png", kAny, kPng}, FormatCase{"a.svg", kPng, kRefused},
                      FormatCase{"a.svg", kSvg, kSvg}, FormatCase{"a.SVG", kSvg, kSvg},
                      FormatCase{"noext", kPdf, kPdf}, FormatCase{"tmp.Xa9fQ2", kSvg, kSvg},
                      FormatCase{"a.jpg", kPng, kRefused}, FormatCase{"-", kSvg, kSvg}));

TEST(ParseFormat, NamesTheRefusedValue) {
  EXPECT_EQ(parseFormat("EPS").value(), OutputFormat::Eps);
  const Expected<OutputFormat> bad = parseFormat("gif");
  ASSERT_FALSE(bad.ok());
  EXPECT_NE(bad.error().message().find("'gif'"), std::string::npos);
}

}  // namespace
