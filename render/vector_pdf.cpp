#include "render/vector_pdf.h"

#include <charconv>

#include "render/pdf_objects.h"
#include "render/settings_in_force.h"
#include "render/vector_geometry.h"

namespace dexmora {

namespace {

std::string fillColour(const Colour& colour) { return colourOperator(colour, "g", "rg"); }

// The shortest decimal that reads back as `value`: the matrix carries the
// X-dimension at full precision, since every module edge is scaled by it.
std::string exactNumber(double value) {
  char text[64];
  char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
  const std::string result(text, end);
  return result == "-0" ? "0" : result;
}

void appendInt(std::string& out, int value) {
  char text[16];
  out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// The dark modules as one path of `re` in module units under a single `cm`:
// whole-number corners make shared edges exactly equal, so no seam appears.
std::string moduleRectangles(const Symbol& symbol, const PrintPage& page) {
  std::string content = "q\n";
  for (const double entry : page.symbolToPage()) content += exactNumber(entry) + ' ';
  content += "cm\n";
  for (const ModuleRect& rect : darkRectangles(symbol)) {
    appendInt(content, rect.x);
    content += ' ';
    appendInt(content, rect.y);
    content += ' ';
    appendInt(content, rect.width);
    content += ' ';
    appendInt(content, rect.height);
    content += " re\n";
  }
  content += "f\nQ\n";
  return content;
}

std::string pageContent(const Symbol& symbol, const RenderSettings& settings, const PrintPage& page) {
  const PaintColours colours = printColours(paintColours(settings));
  std::string content;
  if (!paintColours(settings).light.transparent()) {
    content += fillColour(colours.light) + "0 0 " + formatNumber(page.width()) + ' ' +
               formatNumber(page.height()) + " re f\n";
  }
  return content + fillColour(colours.dark) + moduleRectangles(symbol, page);
}

}  // namespace

std::string renderPdf(const Symbol& symbol, const RenderSettings& settings) {
  const PrintPage page(symbol, quietZoneOf(settings), xdimMmOf(settings));
  PdfObjects pdf;
  pdf.object("<< /Type /Catalog /Pages 2 0 R >>");
  pdf.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + formatNumber(page.width()) + ' ' +
             formatNumber(page.height()) + "] /Resources << >> /Contents 4 0 R >>");
  pdf.stream(pageContent(symbol, settings, page));
  return pdf.finish(1);
}

}  // namespace dexmora
