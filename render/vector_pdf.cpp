#include "render/vector_pdf.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "render/vector_geometry.h"

namespace dexmora {

namespace {

std::string fillColour(const Colour& colour) { return colourOperator(colour, "g", "rg"); }

std::string pageContent(const Symbol& symbol, const RenderSettings& settings, const PrintPage& page) {
  const PaintColours colours = printColours(paintColours(settings));
  std::string content;
  if (!paintColours(settings).light.transparent()) {
    content += fillColour(colours.light) + "0 0 " + formatNumber(page.width()) + ' ' +
               formatNumber(page.height()) + " re f\n";
  }
  content += fillColour(colours.dark);
  // Each rectangle as a closed polygon through its corners, not `re`, so that
  // neighbours share their edge coordinates exactly.
  for (const ModuleRect& rect : darkRectangles(symbol)) {
    const std::string x0 = page.left(rect.x);
    const std::string x1 = page.left(rect.x + rect.width);
    const std::string y0 = page.top(rect.y + rect.height);
    const std::string y1 = page.top(rect.y);
    content += x0 + ' ' + y0 + " m " + x1 + ' ' + y0 + " l " + x1 + ' ' + y1 + " l " + x0 + ' ' + y1 + " l h\n";
  }
  content += "f\n";
  return content;
}

// Objects numbered from 1 in order, with the cross-reference table that
// points at each one's byte offset.
class PdfWriter {
 public:
  PdfWriter() { m_out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"; }

  void object(const std::string& body) {
    m_offsets.push_back(m_out.size());
    m_out += std::to_string(m_offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  }

  std::string finish(int rootObject) {
    const size_t xref = m_out.size();
    m_out += "xref\n0 " + std::to_string(m_offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const size_t offset : m_offsets) {
      char entry[24];
      std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
      m_out += entry;
    }
    m_out += "trailer\n<< /Size " + std::to_string(m_offsets.size() + 1) + " /Root " + std::to_string(rootObject) +
             " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return std::move(m_out);
  }

 private:
  std::string m_out;
  std::vector<size_t> m_offsets;
};

}  // namespace

std::string renderPdf(const Symbol& symbol, const RenderSettings& settings) {
  const PrintPage page(symbol, settings.quietZone, settings.xdimMm.value_or(kDefaultXdimMm));
  const std::string content = pageContent(symbol, settings, page);
  PdfWriter pdf;
  pdf.object("<< /Type /Catalog /Pages 2 0 R >>");
  pdf.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + formatNumber(page.width()) + ' ' +
             formatNumber(page.height()) + "] /Resources << >> /Contents 4 0 R >>");
  pdf.object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
  return pdf.finish(1);
}

}  // namespace dexmora
