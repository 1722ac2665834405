// Basic-only stand-in until the full encodation lands.
#include <string>

#include "core/encodation.h"

namespace dexmora {

std::optional<Error> checkDataOptions(const DataOptions& options) {
  if (options.encodation != Encodation::Basic) return Error{ErrorCode::BadOption, "not yet"};
  return std::nullopt;
}

Expected<DataStream> encodeData(const uint8_t* text, size_t length, const DataOptions&, const int* candidates,
                                int candidateCount) {
  std::vector<uint8_t> stream;
  appendBasic(stream, text, length, MAX_DATA_CODEWORDS);
  int largest = candidates[0];
  for (int i = 0; i < candidateCount; ++i) {
    const SymbolSize& size = SYMBOL_SIZES[candidates[i]];
    if (size.dataCodewords > SYMBOL_SIZES[largest].dataCodewords) largest = candidates[i];
    if (static_cast<size_t>(size.dataCodewords) >= stream.size()) return DataStream{std::move(stream), candidates[i]};
  }
  const SymbolSize& size = SYMBOL_SIZES[largest];
  return Error{ErrorCode::TooLong, "the text is too long: it needs " + std::to_string(basicLength(text, length)) +
                                       " codewords, and the largest symbol (" + std::to_string(size.rows) + "x" +
                                       std::to_string(size.cols) + ") holds " + std::to_string(size.dataCodewords)};
}

}  // namespace dexmora
