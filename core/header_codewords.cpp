#include "core/header_codewords.h"

#include <string>

#include "core/modes.h"

namespace dexmora {
namespace {

constexpr int kFileIdValues = 254;  // each of the two codewords is 1..254

}  // namespace

std::vector<uint8_t> headerCodewords(const DataOptions& options) {
  std::vector<uint8_t> header;
  const StructuredAppend& append = options.structuredAppend;
  if (append.count != 0) {
    header.push_back(STRUCTURED_APPEND);
    // Position - 1 in the high four bits, 17 - count in the low four.
    header.push_back(static_cast<uint8_t>((append.position - 1) << 4 | (17 - append.count)));
    const int pair = append.fileId > 0 ? append.fileId - 1 : 0;
    header.push_back(static_cast<uint8_t>(pair / kFileIdValues + 1));
    header.push_back(static_cast<uint8_t>(pair % kFileIdValues + 1));
  }
  if (options.readerInit) header.push_back(READER_PROGRAMMING);
  if (options.macro == 5) header.push_back(MACRO_05);
  if (options.macro == 6) header.push_back(MACRO_06);
  if (options.gs1 || options.gs1Parens) header.push_back(FNC1);
  if (options.eci) {
    const std::vector<uint8_t> eci = eciCodewords(*options.eci);
    header.insert(header.end(), eci.begin(), eci.end());
  }
  return header;
}

}  // namespace dexmora
