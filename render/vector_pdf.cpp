#include "render/vector_pdf.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <new>
#include <utility>
#include <vector>

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

// zlib's window and hash sized to the content (a small symbol's deflate
// would otherwise spend most of its time clearing 256 KiB of state) at a
// fixed level: the same content always deflates to the same bytes. Level 6:
// on these repetitive lines 9 is three to five times slower and no smaller.
std::string deflated(const std::string& content) {
  int windowBits = 9;
  while (windowBits < 15 && (size_t{1} << windowBits) < content.size()) ++windowBits;
  z_stream stream{};
  if (deflateInit2(&stream, 6, Z_DEFLATED, windowBits, windowBits - 7, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::bad_alloc();
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(content.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));  // zlib only reads it
  stream.avail_in = static_cast<uInt>(content.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  // With deflateBound's room one call finishes; running out of memory is the
  // only failure.
  const int status = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::bad_alloc();
  return out;
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

  // The data is binary: /Length counts it exactly, and the line end before
  // `endstream` is not part of it.
  void flateStream(const std::string& data) {
    object("<< /Length " + std::to_string(data.size()) + " /Filter /FlateDecode >>\nstream\n" + data +
           "\nendstream");
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
  const PrintPage page(symbol, quietZoneOf(settings), xdimMmOf(settings));
  PdfWriter pdf;
  pdf.object("<< /Type /Catalog /Pages 2 0 R >>");
  pdf.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + formatNumber(page.width()) + ' ' +
             formatNumber(page.height()) + "] /Resources << >> /Contents 4 0 R >>");
  pdf.flateStream(deflated(pageContent(symbol, settings, page)));
  return pdf.finish(1);
}

}  // namespace dexmora
