#pragma once

// The one door to Symbol's constructor: encode() builds symbols through it,
// and tests that need a damaged symbol may too. Not installed.
#include <cstdint>
#include <utility>
#include <vector>

#include <dexmora/symbol.h>

#include "core/size_table.h"

namespace dexmora::detail {

struct SymbolAccess {
  // `modules` holds rows x cols bytes of the size at `sizeIndex`.
  static Symbol make(int sizeIndex, std::vector<uint8_t> codewords, int dataLength, std::vector<uint8_t> modules,
                     Dm144Layout layout = Dm144Layout::Iso) {
    return Symbol(sizeIndex, SYMBOL_SIZES[sizeIndex], std::move(codewords), dataLength, std::move(modules), layout);
  }
  static void addNotice(Symbol& symbol, Notice notice) { symbol.m_notices.push_back(std::move(notice)); }
};

}  // namespace dexmora::detail
