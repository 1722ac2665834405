#include <dexmora/encode.h>

#include <new>
#include <utility>

#include "core/encodation.h"
#include "core/placement.h"
#include "core/reed_solomon.h"
#include "core/symbol_access.h"

namespace dexmora {

namespace {

// Pads, error correction and placement of a data stream built for `sizeIndex`.
Symbol finishSymbol(int sizeIndex, std::vector<uint8_t> data, Dm144Layout layout) {
  const SymbolSize& size = SYMBOL_SIZES[sizeIndex];
  const int used = static_cast<int>(data.size());
  std::vector<uint8_t> codewords = std::move(data);
  codewords.resize(static_cast<size_t>(size.totalCodewords()));
  addPadding(codewords.data(), used, size.dataCodewords);
  computeErrorCorrection(codewords.data(), size, layout);
  std::vector<uint8_t> grid(static_cast<size_t>(size.mappingRows()) * static_cast<size_t>(size.mappingCols()));
  placeCodewords(grid.data(), size.mappingRows(), size.mappingCols(), codewords.data(), codewords.size());
  return detail::SymbolAccess::make(sizeIndex, std::move(codewords), used, frameModules(size, grid.data()), layout);
}

}  // namespace

Expected<Symbol> encode(const uint8_t* text, size_t length, const EncodeOptions& options) {
  try {
    if (Expected<void> valid = checkEncodeOptions(options); !valid) return valid.error();
    int candidates[SIZE_COUNT];
    const int count = candidateSizes(options.size, candidates);
    Expected<DataStream> data = encodeData(text, length, options.data, candidates, count);
    if (!data) return data.error();
    DataStream stream = std::move(data).value();
    return finishSymbol(stream.sizeIndex, std::move(stream.codewords), options.dm144);
  } catch (const std::bad_alloc&) {
    return Error(ErrorCode::OutOfMemory, "out of memory");
  }
}

}  // namespace dexmora
