// Sheets as poppler's tools see them: pages, text, fonts and rasters, each
// symbol cut out of its cell and read by zxing-cpp's reader. The figures
// are the label sheets' own (A4 3x8: cells 70 x 37.125 mm), not the layout
// code's.
#include <gtest/gtest.h>

#include <dexmora/encode.h>
#include <dexmora/sheet.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "render/render_parsers.h"
#include "sheet_support.h"
#include "test_files.h"
#include "test_render_support.h"

using namespace dexmora;

namespace {

constexpr int kDpi = 300;
constexpr double kPixelsPerMm = kDpi / 25.4;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  // pdftotext starts each page after the first with a form feed.
  for (std::string line; std::getline(in, line);) out.push_back(line.substr(line.rfind('\f') + 1));
  return out;
}

// A PDF in a temporary file, read back by poppler's tools.
class PdfFile {
 public:
  explicit PdfFile(const std::string& bytes) : m_path(m_dir.file("sheet.pdf")) {
    std::ofstream(m_path, std::ios::binary) << bytes;
  }
  std::string info() const { return commandOutput("pdfinfo '" + m_path + "'"); }
  std::string text() const { return commandOutput("pdftotext -enc UTF-8 '" + m_path + "' -"); }
  std::string fonts() const { return commandOutput("pdffonts '" + m_path + "'"); }
  // Page `page` (from 1) in grey at kDpi.
  GreyPicture page(int page) const {
    const std::string out = m_dir.file("page");
    const std::string number = std::to_string(page);
    EXPECT_TRUE(runCommand("pdftoppm -r " + std::to_string(kDpi) + " -gray -png -singlefile -f " + number + " -l " +
                           number + " '" + m_path + "' '" + out + "'"));
    return decodePngGrey(readFileString(out + ".png")).value_or(GreyPicture{});
  }

 private:
  TempDir m_dir;
  std::string m_path;
};

// The part of `page` inside a rectangle given in millimetres.
GreyPicture crop(const GreyPicture& page, double left, double top, double width, double height) {
  const int x0 = static_cast<int>(std::lround(left * kPixelsPerMm));
  const int y0 = static_cast<int>(std::lround(top * kPixelsPerMm));
  GreyPicture part{static_cast<int>(width * kPixelsPerMm), static_cast<int>(height * kPixelsPerMm), {}};
  for (int y = 0; y < part.height; ++y) {
    for (int x = 0; x < part.width; ++x) {
      part.grey.push_back(page.at(std::min(x0 + x, page.width - 1), std::min(y0 + y, page.height - 1)));
    }
  }
  return part;
}

// Cell `cell` (from 0) of an A4 3x8 page.
GreyPicture cellOf(const GreyPicture& page, int cell) {
  return crop(page, (cell % 3) * 70.0, (cell / 3) * 37.125, 70, 37.125);
}

// The dark pixels' extent in millimetres: left, top, right, bottom; all 0 when none.
std::array<double, 4> darkExtent(const GreyPicture& picture, int darkBelow = 128) {
  int left = picture.width, top = picture.height, right = -1, bottom = -1;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      if (picture.at(x, y) < darkBelow) {
        left = std::min(left, x), right = std::max(right, x + 1);
        top = std::min(top, y), bottom = std::max(bottom, y + 1);
      }
  if (right < 0) return {0, 0, 0, 0};
  return {left / kPixelsPerMm, top / kPixelsPerMm, right / kPixelsPerMm, bottom / kPixelsPerMm};
}

bool haveTools() {
  return haveTool("pdftoppm") && haveTool("pdftotext") && haveTool("pdffonts") && haveTool("pdfinfo");
}

SheetSettings a4By3x8() {
  SheetSettings settings;
  settings.setGrid({3, 8});
  return settings;
}

TEST(SheetPdf, HundredSerialsFillFiveA4PagesAndEverySymbolReadsAsItsCaption) {
  if (!haveTools()) GTEST_SKIP() << "poppler-utils is not installed";
  const std::vector<std::string> texts = serials(100);
  const SheetPdf sheet = sheetOf(a4By3x8(), texts);
  ASSERT_TRUE(sheet.refused.empty());
  const PdfFile file(sheet.bytes);
  const std::string info = file.info();
  EXPECT_NE(info.find("Pages:           5\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Page size:       595.276 x 841.89 pts (A4)"), std::string::npos) << info;
  const std::vector<std::string> found = lines(file.text());
  const std::set<std::string> captions(found.begin(), found.end());
  for (const std::string& text : texts) EXPECT_EQ(captions.count(text), 1u) << text;
  for (int page = 0; page < 5; ++page) {
    const GreyPicture picture = file.page(page + 1);
    ASSERT_NEAR(picture.width, 210 * kPixelsPerMm, 1);
    for (int cell = 0; cell < 24 && page * 24 + cell < 100; ++cell) {
      EXPECT_EQ(readDataMatrix(cellOf(picture, cell)), texts[static_cast<size_t>(page * 24 + cell)])
          << "page " << page + 1 << " cell " << cell;
    }
  }
}

// Empty captions, so each symbol is the only thing in its cell: 12x12 with
// a quiet zone of 2 at 0.5 mm is 8 mm, its dark modules 6 mm, centred in
// the 70 x 37.125 mm cell: from 32 mm across and 15.5625 mm down.
TEST(SheetPdf, OutlinesAndSymbolsLieWhereTheSheetSays) {
  if (!haveTools()) GTEST_SKIP() << "poppler-utils is not installed";
  SheetSettings settings = a4By3x8();
  settings.setOutline(true);
  const PdfFile file(sheetOf(settings, serials(24), "").bytes);
  const GreyPicture page = file.page(1);
  // Along a line 2 mm below the top, the only dark pixels are the vertical borders.
  std::vector<double> borders;
  const int y = static_cast<int>(2 * kPixelsPerMm);
  for (int x = 0; x < page.width; ++x)
    if (page.at(x, y) < 160 && (x == 0 || page.at(x - 1, y) >= 160)) borders.push_back((x + 0.5) / kPixelsPerMm);
  ASSERT_EQ(borders.size(), 4u);
  for (size_t i = 0; i < borders.size(); ++i) EXPECT_NEAR(borders[i], 70.0 * i, 0.2) << i;
  std::vector<double> rules;
  const int x = static_cast<int>(2 * kPixelsPerMm);
  for (int row = 0; row < page.height; ++row)
    if (page.at(x, row) < 160 && (row == 0 || page.at(x, row - 1) >= 160)) rules.push_back((row + 0.5) / kPixelsPerMm);
  ASSERT_EQ(rules.size(), 9u) << rules.back();
  for (size_t i = 0; i < rules.size(); ++i) EXPECT_NEAR(rules[i], 37.125 * i, 0.2) << i;
  for (int cell = 0; cell < 24; ++cell) {
    const double left = (cell % 3) * 70.0, top = (cell / 3) * 37.125;
    // Inside the borders only.
    const std::array<double, 4> dark = darkExtent(crop(page, left + 1, top + 1, 68, 35.125));
    EXPECT_NEAR(dark[0] + left + 1, left + 32, 0.2) << cell;
    EXPECT_NEAR(dark[1] + top + 1, top + 15.5625, 0.2) << cell;
    EXPECT_NEAR(dark[2] - dark[0], 6, 0.2) << cell;
    EXPECT_NEAR(dark[3] - dark[1], 6, 0.2) << cell;
  }
}

// Five cells skipped, then a label too wide for its cell: line 1 goes to
// cell 6, line 3 to cell 8, and the skipped and refused cells stay empty.
TEST(SheetPdf, SkippedAndRefusedCellsStayEmpty) {
  if (!haveTools()) GTEST_SKIP() << "poppler-utils is not installed";
  SheetSettings settings = a4By3x8();
  settings.setSkip(5);
  std::vector<std::string> texts = serials(4);
  texts[1] = "WIDE-" + std::string(40, 'W');
  const SheetPdf sheet = sheetOf(settings, texts);
  ASSERT_EQ(sheet.refused.size(), 1u);
  EXPECT_EQ(sheet.refused[0].index, 1u);
  const GreyPicture page = PdfFile(sheet.bytes).page(1);
  for (int cell = 0; cell < 24; ++cell) {
    const GreyPicture part = cellOf(page, cell);
    if (cell >= 5 && cell < 9 && cell != 6) {
      EXPECT_EQ(readDataMatrix(part), texts[static_cast<size_t>(cell - 5)]) << cell;
    } else {
      EXPECT_EQ(darkExtent(part)[2], 0) << "cell " << cell << " is not empty";
    }
  }
}

// Every caption back from pdftotext as it was written, whichever script and
// font; every font embedded as a subset with its map to Unicode.
TEST(SheetPdf, CaptionsInFourScriptsComeBackExactlyFromSubsetFonts) {
  if (!haveTools()) GTEST_SKIP() << "poppler-utils is not installed";
  const std::vector<std::string> captions = {"Größe", "Ωμέγα", "Привет", "测试标签", "Größe 测试 Ωμέγα",
                                             "office file", "SN-0001"};
  const SheetPdf sheet = sheetOf(a4By3x8(), captions);
  ASSERT_TRUE(sheet.refused.empty()) << sheet.refused[0].error.message();
  const PdfFile file(sheet.bytes);
  const std::vector<std::string> found = lines(file.text());
  for (const std::string& caption : captions) {
    EXPECT_NE(std::find(found.begin(), found.end(), caption), found.end()) << caption << " in\n" << file.text();
  }
  const std::vector<std::string> fonts = lines(file.fonts());
  ASSERT_GE(fonts.size(), 4u);  // a header of two lines, then the Latin and the Chinese fonts
  for (size_t i = 2; i < fonts.size(); ++i) {
    EXPECT_NE(fonts[i].find("CID TrueType      Identity-H       yes yes yes"), std::string::npos) << fonts[i];
    EXPECT_EQ(fonts[i][6], '+') << fonts[i];
  }
  EXPECT_EQ(readDataMatrix(cellOf(file.page(1), 0)), captions[0]);
}

// Glyphs renumbered when subsetting: four Chinese glyphs of a font of tens
// of thousands make a few kilobytes, not the half megabyte that keeping
// their numbers (and so the tables up to them) costs.
TEST(SheetPdf, ChineseCaptionsStaySmall) {
  SheetSettings settings = a4By3x8();
  const SheetPdf one = sheetOf(settings, {"测试标签"});
  EXPECT_LT(one.bytes.size(), 20u * 1024) << one.bytes.size();
  std::vector<std::string> texts;
  for (int i = 0; i < 100; ++i) texts.push_back("测试标签-" + std::to_string(i));
  const SheetPdf hundred = sheetOf(settings, texts);
  EXPECT_TRUE(hundred.refused.empty());
  EXPECT_LT(hundred.bytes.size(), 200u * 1024) << hundred.bytes.size();
  EXPECT_EQ(sheetOf(settings, texts).bytes, hundred.bytes);
}

struct ColourCase {
  const char* foreground;
  const char* background;
  std::vector<const char*> required;  // in the page content
};

class SheetColours : public ::testing::TestWithParam<ColourCase> {};

// The symbol is drawn as the one-symbol PDF draws it: DeviceGray for black
// on white, DeviceRGB for colours, no light area when it is transparent.
TEST_P(SheetColours, PaintLikeTheOneSymbolPdf) {
  const ColourCase& c = GetParam();
  SheetSettings settings;
  RenderSettings render;
  render.setForeground(parseColour(c.foreground, false).value());
  render.setBackground(parseColour(c.background, true).value());
  settings.setRender(render);
  const std::string content = inflatedPdf(sheetOf(settings, {"colour"}, "").bytes);
  for (const char* part : c.required) EXPECT_NE(content.find(part), std::string::npos) << part;
  EXPECT_EQ(content.find(" re f\n") != std::string::npos, std::string(c.background) != "transparent");
}

INSTANTIATE_TEST_SUITE_P(Colours, SheetColours,
                         ::testing::Values(ColourCase{"000000", "ffffff", {"\n1 g\n", "\n0 g\nq\n"}},
                                           ColourCase{"00008b", "ffff00", {"\n1 1 0 rg\n", "\n0 0 0.5451 rg\nq\n"}},
                                           ColourCase{"000000", "transparent", {"\n0 g\nq\n"}}));

}  // namespace
