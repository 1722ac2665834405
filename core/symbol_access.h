#pragma once

// The one door to Symbol's constructor: encode() builds symbols through it,
// and tests that need a damaged symbol may too. Not installed.
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <dexmora/symbol.h>

#include "core/size_table.h"

namespace dexmora::detail {

struct SymbolData {
  int sizeIndex;
  const SymbolSize* size;
  int dataLength;
  Dm144Layout layout;
  std::vector<uint8_t> codewords;
  std::vector<uint8_t> modules;  // rows x cols, row-major, 1 = dark
  std::vector<Notice> notices;
};

struct SymbolAccess {
  // `modules` holds rows x cols bytes of the size at `sizeIndex`.
  static Symbol make(int sizeIndex, std::vector<uint8_t> codewords, int dataLength, std::vector<uint8_t> modules,
                     Dm144Layout layout = Dm144Layout::Iso, std::vector<Notice> notices = {}) {
    return Symbol(std::make_shared<const SymbolData>(SymbolData{sizeIndex, &SYMBOL_SIZES[sizeIndex], dataLength, layout,
                                                                std::move(codewords), std::move(modules),
                                                                std::move(notices)}));
  }
};

}  // namespace dexmora::detail
