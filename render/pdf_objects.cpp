#include "render/pdf_objects.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <new>
#include <utility>

#include "render/vector_geometry.h"

namespace dexmora {
namespace {

// zlib's window and hash sized to the content (a small symbol's deflate
// would otherwise spend most of its time clearing 256 KiB of state) at a
// fixed level: the same content always deflates to the same bytes. Level 6:
// on these repetitive lines 9 is three to five times slower and no smaller.
// Throws std::bad_alloc when zlib runs out of memory.
std::string deflated(const std::string& data) {
  int windowBits = 9;
  while (windowBits < 15 && (size_t{1} << windowBits) < data.size()) ++windowBits;
  z_stream stream{};
  if (deflateInit2(&stream, 6, Z_DEFLATED, windowBits, windowBits - 7, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::bad_alloc();
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));  // zlib only reads it
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  // With deflateBound's room one call finishes; running out of memory is the only failure.
  const int status = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::bad_alloc();
  return out;
}

}  // namespace

std::string exactNumber(double value) {
  char text[64];
  char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
  const std::string result(text, end);
  return result == "-0" ? "0" : result;
}

std::string modulePath(const Symbol& symbol, const std::array<double, 6>& matrix) {
  std::string content = "q\n";
  for (const double entry : matrix) content += exactNumber(entry) + ' ';
  content += "cm\n";
  char text[16];
  const auto append = [&](int value, char after) {
    content.append(text, std::to_chars(text, text + sizeof text, value).ptr);
    content += after;
  };
  for (const ModuleRect& rect : darkRectangles(symbol)) {
    append(rect.x, ' ');
    append(rect.y, ' ');
    append(rect.width, ' ');
    append(rect.height, ' ');
    content += "re\n";
  }
  content += "f\nQ\n";
  return content;
}

PdfObjects::PdfObjects() : m_out("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n") {}

void PdfObjects::object(const std::string& body) {
  m_offsets.push_back(m_out.size());
  m_out += std::to_string(m_offsets.size()) + " 0 obj\n";
  m_out += body;
  m_out += "\nendobj\n";
}

void PdfObjects::stream(const std::string& data, const std::string& entries) {
  const std::string packed = deflated(data);
  m_offsets.push_back(m_out.size());
  m_out += std::to_string(m_offsets.size()) + " 0 obj\n<< /Length " + std::to_string(packed.size()) +
           " /Filter /FlateDecode" + (entries.empty() ? "" : " " + entries) + " >>\nstream\n";
  // The line end before `endstream` is not counted in /Length.
  m_out += packed;
  m_out += "\nendstream\nendobj\n";
}

std::string PdfObjects::finish(size_t root) {
  const size_t xref = m_out.size();
  m_out += "xref\n0 " + std::to_string(m_offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (const size_t offset : m_offsets) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    m_out += entry;
  }
  m_out += "trailer\n<< /Size " + std::to_string(m_offsets.size() + 1) + " /Root " + std::to_string(root) +
           " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return std::move(m_out);
}

}  // namespace dexmora
