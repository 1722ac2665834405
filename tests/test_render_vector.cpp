#include <gtest/gtest.h>

#include <fstream>

#include <dexmora/render.h>
#include "render/vector_geometry.h"
#include "test_files.h"
#include "test_render_support.h"

using namespace dexmora;

namespace {

struct VectorCase {
  OutputFormat format;
  int rows;
  int cols;
  double xdimMm;  // 0: none given
  int quietZone;
  const char* foreground;
  const char* background;
};

RenderSettings settingsOf(const VectorCase& c) {
  RenderSettings settings;
  if (c.xdimMm > 0) settings.setXdimMm(c.xdimMm);
  settings.setQuietZone(c.quietZone);
  settings.setForeground(parseColour(c.foreground, false).value());
  settings.setBackground(parseColour(c.background, true).value());
  return settings;
}

const char* extension(OutputFormat format) {
  switch (format) {
    case OutputFormat::Svg:
      return "svg";
    case OutputFormat::Pdf:
      return "pdf";
    default:
      return "eps";
  }
}


class VectorScan : public ::testing::TestWithParam<VectorCase> {};

TEST_P(VectorScan, RasterisedByItsToolReadsBackExactly) {
  const VectorCase& c = GetParam();
  const std::string text = textFor(c.rows, c.cols);
  const Symbol symbol = encodeAt(text, c.rows, c.cols);
  const Expected<std::string> bytes = renderOutput(symbol, c.format, settingsOf(c), false);
  ASSERT_TRUE(bytes.ok()) << bytes.error().message();
  TempDir dir;
  const std::string in = dir.file(std::string("symbol.") + extension(c.format));
  const std::string out = dir.file("symbol.png");
  std::ofstream(in, std::ios::binary) << *bytes;
  // About 8 pixels per module at the X-dimension, 0.5 mm when none is given.
  const double xdim = c.xdimMm > 0 ? c.xdimMm : kDefaultXdimMm;
  const int dpi = static_cast<int>(8 * 25.4 / xdim);
  const auto [tool, command] = rasteriser(extension(c.format), in, out, dpi);
  if (!haveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  ASSERT_TRUE(runCommand(command)) << command;
  const std::optional<GreyPicture> picture = decodePngGrey(readFileString(out));
  ASSERT_TRUE(picture.has_value());
  if (c.format != OutputFormat::Svg || c.xdimMm > 0) {
    // The page is exactly the symbol and quiet zone at the X-dimension.
    const double expected = (c.cols + 2 * c.quietZone) * xdim / 25.4 * dpi;
    EXPECT_NEAR(picture->width, expected, 1.0);
  }
  EXPECT_EQ(readDataMatrix(*picture), text);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, VectorScan,
    ::testing::Values(VectorCase{OutputFormat::Svg, 10, 10, 0, 2, "000000", "ffffff"},
                      VectorCase{OutputFormat::Svg, 20, 20, 0.33, 1, "00008b", "ffff00"},
                      VectorCase{OutputFormat::Svg, 52, 52, 0.5, 2, "000000", "transparent"},
                      VectorCase{OutputFormat::Svg, 104, 104, 0.254, 4, "000000", "ffffff"},
                      VectorCase{OutputFormat::Svg, 16, 48, 0, 2, "000000", "ffffff"},
                      VectorCase{OutputFormat::Pdf, 10, 10, 0, 2, "000000", "ffffff"},
                      VectorCase{OutputFormat::Pdf, 20, 20, 0.3, 1, "004000", "ffffff"},
                      VectorCase{OutputFormat::Pdf, 52, 52, 0.5, 2, "000000", "transparent"},
                      VectorCase{OutputFormat::Pdf, 104, 104, 0.254, 3, "000000", "e0e0e0"},
                      VectorCase{OutputFormat::Pdf, 12, 64, 0.5, 2, "000000", "ffffff"},
                      VectorCase{OutputFormat::Eps, 10, 10, 0, 2, "000000", "ffffff"},
                      VectorCase{OutputFormat::Eps, 20, 20, 0.423, 1, "00008b", "ffffff"},
                      VectorCase{OutputFormat::Eps, 52, 52, 0.5, 2, "000000", "transparent"},
                      VectorCase{OutputFormat::Eps, 104, 104, 0.3, 2, "000000", "ffffff"},
                      VectorCase{OutputFormat::Eps, 8, 32, 0.5, 2, "000000", "ffffff"}));

size_t countOf(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

struct VectorShape {
  OutputFormat format;
  const char* foreground;
  std::vector<const char*> required;  // substrings the file must hold
};

class VectorText : public ::testing::TestWithParam<VectorShape> {};

TEST_P(VectorText, IsDeterministicAndPaintsAsAsked) {
  const VectorShape& c = GetParam();
  const Symbol symbol = encodeAt(textFor(20, 20), 20, 20);
  RenderSettings settings;
  settings.setForeground(parseColour(c.foreground, false).value());
  settings.setXdimMm(0.5);
  const std::string first = renderOutput(symbol, c.format, settings, false).value();
  EXPECT_EQ(first, renderOutput(symbol, c.format, settings, false).value());
  const std::string readable = c.format == OutputFormat::Pdf ? inflatedPdf(first) : first;
  for (const char* part : c.required) EXPECT_NE(readable.find(part), std::string::npos) << part;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, VectorText,
    ::testing::Values(
        // 24 modules at 0.5 mm = 34.0157 pt.
        VectorShape{OutputFormat::Pdf, "000000", {"\n0 g\n", "/MediaBox [0 0 34.0157 34.0157]", "\n1 g\n"}},
        VectorShape{OutputFormat::Pdf, "00008b", {"\n0 0 0.5451 rg\n"}},
        VectorShape{OutputFormat::Pdf, "00000080", {"\n0.498 g\n"}},  // flattened onto white
        VectorShape{OutputFormat::Eps, "000000", {"\n0 setgray\n", "%%BoundingBox: 0 0 35 35\n", "0 0 34.0157 34.0157"}},
        VectorShape{OutputFormat::Eps, "00008b", {"\n0 0 0.5451 setrgbcolor\n"}},
        VectorShape{OutputFormat::Svg, "00008b", {"fill=\"#00008b\"", "width=\"12mm\"", "viewBox=\"0 0 24 24\""}},
        VectorShape{OutputFormat::Svg, "00000080", {"fill-opacity=\"0.502\""}}));

TEST(Pdf, CrossReferenceOffsetsPointAtTheirObjects) {
  const std::string pdf = renderOutput(encodeAt("xref", 32, 32), OutputFormat::Pdf, {}, false).value();
  const size_t startxref = pdf.rfind("startxref\n");
  ASSERT_NE(startxref, std::string::npos);
  const size_t xref = std::stoul(pdf.substr(startxref + 10));
  ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
  // Each in-use entry is "OOOOOOOOOO 00000 n \n": a ten-digit offset.
  int object = 0;
  for (size_t at = pdf.find(" 00000 n \n", xref); at != std::string::npos; at = pdf.find(" 00000 n \n", at + 1)) {
    ASSERT_GE(at, xref + 10);
    const std::string header = std::to_string(++object) + " 0 obj\n";
    EXPECT_EQ(pdf.compare(std::stoul(pdf.substr(at - 10, 10)), header.size(), header), 0) << object;
  }
  EXPECT_EQ(object, 4);
  const size_t length = std::stoul(pdf.substr(pdf.find("/Length ") + 8));
  const size_t stream = pdf.find("stream\n") + 7;
  // The line end before endstream is not counted in /Length.
  EXPECT_EQ(pdf.compare(stream + length, 10, "\nendstream"), 0);
}

struct SvgCase {
  int rows;
  int cols;
  int quietZone;
  const char* background;
};

class SvgDocument : public ::testing::TestWithParam<SvgCase> {};

TEST_P(SvgDocument, IsValidWithOnePathForTheModules) {
  const SvgCase& c = GetParam();
  RenderSettings settings;
  settings.setQuietZone(c.quietZone);
  settings.setBackground(parseColour(c.background, true).value());
  const std::string svg =
      renderOutput(encodeAt(textFor(c.rows, c.cols), c.rows, c.cols), OutputFormat::Svg, settings, false).value();
  EXPECT_EQ(countOf(svg, "<path"), 1u);
  EXPECT_EQ(countOf(svg, "<rect"), settings.background()->transparent() ? 0u : 1u);
  EXPECT_NE(svg.find("shape-rendering=\"crispEdges\""), std::string::npos);
  const std::string viewBox = "viewBox=\"0 0 " + std::to_string(c.cols + 2 * c.quietZone) + " " +
                              std::to_string(c.rows + 2 * c.quietZone) + "\"";
  EXPECT_NE(svg.find(viewBox), std::string::npos);
  if (!haveTool("xmllint")) GTEST_SKIP() << "xmllint is not installed";
  TempDir dir;
  std::ofstream(dir.file("a.svg")) << svg;
  EXPECT_TRUE(runCommand("xmllint --noout '" + dir.file("a.svg") + "'"));
}

INSTANTIATE_TEST_SUITE_P(Sizes, SvgDocument,
                         ::testing::Values(SvgCase{10, 10, 0, "ffffff"}, SvgCase{52, 52, 2, "transparent"},
                                           SvgCase{144, 144, 5, "ffffff"}, SvgCase{8, 18, 1, "ffffff"}));

struct TextCase {
  int rows;
  int cols;
  int quietZone;
  bool invert;
};

class TerminalText : public ::testing::TestWithParam<TextCase> {};

// Paints the preview back as pixels, a lit half block light (dark under
// --invert), 4x4 pixels a module, and reads it.
TEST_P(TerminalText, HalfBlocksRebuildTheSymbolAndScan) {
  const TextCase& c = GetParam();
  const std::string text = textFor(c.rows, c.cols);
  RenderSettings settings;
  settings.setQuietZone(c.quietZone);
  settings.setInvert(c.invert);
  const std::string preview = renderOutput(encodeAt(text, c.rows, c.cols), OutputFormat::Txt, settings, false).value();
  const int width = c.cols + 2 * c.quietZone;
  const int height = c.rows + 2 * c.quietZone;
  GreyPicture picture{width * 4, height * 4, std::vector<uint8_t>(static_cast<size_t>(width * height) * 16, 0)};
  int line = 0;
  int column = 0;
  for (size_t at = 0; at < preview.size(); ++column) {
    if (preview[at] == '\n') {
      ASSERT_EQ(column, width);
      ++line, column = -1, ++at;
      continue;
    }
    const std::string cell = preview.substr(at, preview[at] == ' ' ? 1 : 3);
    at += cell.size();
    const bool lit[2] = {cell == "\u2580" || cell == "\u2588", cell == "\u2584" || cell == "\u2588"};
    ASSERT_TRUE(cell == " " || lit[0] || lit[1]) << cell;
    for (int p = 0; p < 32 && 2 * line + p / 16 < height; ++p) {
      const size_t y = static_cast<size_t>(8 * line + p / 4);
      picture.grey[y * static_cast<size_t>(width) * 4 + static_cast<size_t>(column * 4 + p % 4)] =
          lit[p / 16] != c.invert ? 255 : 0;
    }
  }
  EXPECT_EQ(line, (height + 1) / 2);
  EXPECT_EQ(readDataMatrix(picture), text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TerminalText,
                         ::testing::Values(TextCase{10, 10, 2, false}, TextCase{20, 20, 1, false},
                                           TextCase{52, 52, 3, true}, TextCase{8, 18, 2, false}));

}  // namespace
