#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <ostream>
#include <sstream>

#include "core/size_table.h"
#include "render/vector_geometry.h"
#include "render/vector_pdf.h"
#include "test_files.h"
#include "test_render_support.h"

using namespace dexmora;

namespace {

// The page content, inflated; empty when it does not inflate.
std::string pageContent(const std::string& pdf) {
  const std::string plain = inflatedPdf(pdf);
  const size_t start = plain.find("stream\n");
  const size_t end = plain.rfind("\nendstream");
  if (start == std::string::npos || end == std::string::npos) return {};
  return plain.substr(start + 7, end - start - 7);
}

// Paints every "x y w h re" after the `cm` into a module grid, counting how
// often each module is covered.
std::vector<int> paintedModules(const std::string& content, int rows, int cols) {
  std::vector<int> painted(static_cast<size_t>(rows) * static_cast<size_t>(cols), 0);
  std::istringstream in(content.substr(content.find(" cm\n") + 4));
  for (std::string line; std::getline(in, line);) {
    if (line.size() < 3 || line.compare(line.size() - 3, 3, " re") != 0) continue;
    int x, y, w, h;
    std::istringstream(line) >> x >> y >> w >> h;
    for (int r = y; r < y + h; ++r) {
      for (int c = x; c < x + w; ++c) {
        if (r >= 0 && c >= 0 && r < rows && c < cols) ++painted[static_cast<size_t>(r) * cols + c];
      }
    }
  }
  return painted;
}

// Every size, rectangles and DMRE included: the rectangles after the `cm`
// cover exactly the dark modules, each once, in one path and one fill.
TEST(PdfContent, RectanglesCoverExactlyTheDarkModulesAtEverySize) {
  for (const SymbolSize& size : SYMBOL_SIZES) {
    const Symbol symbol = encodeAt(textFor(size.rows, size.cols), size.rows, size.cols);
    const std::string pdf = renderPdf(symbol, RenderSettings{});
    const std::string content = pageContent(pdf);
    ASSERT_FALSE(content.empty()) << size.rows << "x" << size.cols;
    const std::vector<int> painted = paintedModules(content, size.rows, size.cols);
    for (int y = 0; y < size.rows; ++y) {
      for (int x = 0; x < size.cols; ++x) {
        ASSERT_EQ(painted[static_cast<size_t>(y) * size.cols + x], symbol.isDark(x, y) ? 1 : 0)
            << size.rows << "x" << size.cols << " module (" << x << ", " << y << ")";
      }
    }
    EXPECT_EQ(content.find(" cm\n"), content.rfind(" cm\n"));
    EXPECT_EQ(content.substr(content.size() - 4), "f\nQ\n");
  }
}

TEST(PdfContent, The144SymbolOfTheIssueFitsIn64KiB) {
  const Symbol symbol = encodeAt("HelloWorld12", 144, 144);
  const std::string pdf = renderPdf(symbol, RenderSettings{});
  EXPECT_LE(pdf.size(), 64u * 1024u);
  EXPECT_EQ(pdf, renderPdf(symbol, RenderSettings{}));
}

struct Rasterised {
  GreyPicture picture;
  std::string error;
};

Rasterised rasterise(const std::string& pdf, int dpi) {
  TempDir dir;
  std::ofstream(dir.file("in.pdf"), std::ios::binary) << pdf;
  const std::string command = "pdftoppm -r " + std::to_string(dpi) + " -gray -png -singlefile '" + dir.file("in.pdf") +
                              "' '" + dir.file("out") + "'";
  if (!runCommand(command)) return {{}, command + " failed"};
  const std::optional<GreyPicture> picture = decodePngGrey(readFileString(dir.file("out.png")));
  if (!picture) return {{}, "pdftoppm wrote no PNG"};
  return {*picture, {}};
}

// The first release's content: each rectangle a closed polygon through its
// corners in points, each coordinate rounded to 1/10000 pt on its own,
// uncompressed; pdftoppm rebuilds the missing cross-reference table.
std::string firstReleasePdf(const Symbol& symbol, const PrintPage& page) {
  std::string content = "1 g\n0 0 " + formatNumber(page.width()) + ' ' + formatNumber(page.height()) + " re f\n0 g\n";
  for (const ModuleRect& r : darkRectangles(symbol)) {
    const std::string x0 = page.left(r.x), x1 = page.left(r.x + r.width);
    const std::string y0 = page.top(r.y + r.height), y1 = page.top(r.y);
    content += x0 + ' ' + y0 + " m " + x1 + ' ' + y0 + " l " + x1 + ' ' + y1 + " l " + x0 + ' ' + y1 + " l h\n";
  }
  return "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n2 0 obj\n<< /Type /Pages /Kids [3 0 R] "
         "/Count 1 >>\nendobj\n3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " +
         formatNumber(page.width()) + ' ' + formatNumber(page.height()) +
         "] /Resources << >> /Contents 4 0 R >>\nendobj\n4 0 obj\n<< /Length " + std::to_string(content.size() + 2) +
         " >>\nstream\n" + content + "f\nendstream\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n";
}

struct RasterCase {
  const char* text;
  int rows;
  int cols;
  double xdimMm;
  int quietZone;
  int dpi;
  // Not where a module edge falls exactly on the rasteriser's sample grid
  // (0.5 mm x 127 is 2.5 in, 0.254 mm is 1/100 in): there the last bit of
  // the arithmetic decides whether a pixel row along that edge gets a
  // sliver, which both files leave to chance.
  bool likeFirstRelease;
};

void PrintTo(const RasterCase& c, std::ostream* out) {
  *out << c.rows << "x" << c.cols << " at " << c.xdimMm << " mm, quiet zone " << c.quietZone << ", " << c.dpi << " dpi";
}

class PdfRaster : public ::testing::TestWithParam<RasterCase> {};

// Every pixel that lies, with a hair to spare, inside modules of one colour
// is exactly that colour: a misplaced, missing or flipped module, a seam
// between abutting rectangles or a wrong scale shows as a wrong pixel. Pixels
// on an edge are left to the anti-aliasing, but must match the first
// release's pixel for pixel where that is well defined.
TEST_P(PdfRaster, HasTheModulesColoursAndTheFirstReleasesPixels) {
  if (!haveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  const RasterCase& c = GetParam();
  const Symbol symbol = encodeAt(c.text, c.rows, c.cols);
  RenderSettings settings;
  settings.setXdimMm(c.xdimMm);
  settings.setQuietZone(c.quietZone);
  const Rasterised out = rasterise(renderPdf(symbol, settings), c.dpi);
  ASSERT_TRUE(out.error.empty()) << out.error;
  const double modulesPerPixel = 25.4 / c.dpi / c.xdimMm;
  EXPECT_EQ(out.picture.width, static_cast<int>(std::ceil((c.cols + 2 * c.quietZone) / modulesPerPixel - 1e-3)));
  const auto span = [&](int pixel) {
    return std::pair<int, int>(static_cast<int>(std::floor((pixel - 1e-3) * modulesPerPixel)) - c.quietZone,
                               static_cast<int>(std::ceil((pixel + 1 + 1e-3) * modulesPerPixel)) - c.quietZone);
  };
  long checked = 0;
  for (int py = 0; py < out.picture.height; ++py) {
    const auto [top, bottom] = span(py);
    for (int px = 0; px < out.picture.width; ++px) {
      const auto [left, right] = span(px);
      bool anyDark = false;
      bool anyLight = false;
      for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) (symbol.isDark(x, y) ? anyDark : anyLight) = true;
      }
      if (anyDark == anyLight) continue;
      ++checked;
      ASSERT_EQ(out.picture.at(px, py), anyDark ? 0 : 255) << "pixel (" << px << ", " << py << ")";
    }
  }
  EXPECT_GT(checked, static_cast<long>(out.picture.width) * out.picture.height / 4);
  if (!c.likeFirstRelease) return;
  const Rasterised before = rasterise(firstReleasePdf(symbol, PrintPage(symbol, c.quietZone, c.xdimMm)), c.dpi);
  ASSERT_TRUE(before.error.empty()) << before.error;
  EXPECT_TRUE(out.picture.grey == before.picture.grey);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PdfRaster,
                         ::testing::Values(RasterCase{"HelloWorld12", 144, 144, 0.5, 2, 72, false},
                                           RasterCase{"HelloWorld12", 144, 144, 0.5, 2, 300, false},
                                           RasterCase{"xyz", 20, 20, 0.254, 3, 100, false},
                                           RasterCase{"123456", 10, 10, 0.5, 0, 72, true},
                                           RasterCase{"123456", 10, 10, 0.5, 2, 600, true},
                                           RasterCase{"abcdefgh", 52, 52, 0.3, 1, 150, true},
                                           RasterCase{"rectangle", 16, 48, 0.5, 2, 203, true},
                                           RasterCase{"data", 104, 104, 0.42, 0, 300, true}));

}  // namespace
