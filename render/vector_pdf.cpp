#include "render/vector_pdf.h"

#include "render/pdf_objects.h"
#include "render/settings_in_force.h"
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
  return content + fillColour(colours.dark) + modulePath(symbol, page.symbolToPage());
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
