#pragma once

// A PDF written object by object in number order, with the cross-reference
// table that points at each one. No date, ID or producer: the same objects
// always give the same bytes.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include <dexmora/symbol.h>

namespace dexmora {

// The shortest decimal that reads back as `value`: a module matrix carries the
// X-dimension at full precision, since every module edge is scaled by it.
std::string exactNumber(double value);

// The dark modules of `symbol` as one path of `re` in module units under a
// single `cm` by `matrix` (module units to the page), filled: whole-number
// corners make shared edges exactly equal, so no seam appears.
std::string modulePath(const Symbol& symbol, const std::array<double, 6>& matrix);

class PdfObjects {
 public:
  PdfObjects();
  // The number the next object gets.
  size_t next() const { return m_offsets.size() + 1; }
  void object(const std::string& body);
  // A stream deflated; `entries` go into its dictionary beside /Length and /Filter.
  void stream(const std::string& data, const std::string& entries = {});
  // The trailer naming object `root` the catalog; the finished file.
  std::string finish(size_t root);

 private:
  std::string m_out;
  std::vector<size_t> m_offsets;
};

}  // namespace dexmora
