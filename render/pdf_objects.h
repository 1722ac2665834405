#pragma once

// A PDF written object by object in number order, with the cross-reference
// table that points at each one. No date, ID or producer: the same objects
// always give the same bytes.
#include <cstddef>
#include <string>
#include <vector>

namespace dexmora {

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
