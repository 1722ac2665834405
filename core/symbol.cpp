#include "core/symbol.h"

#include <utility>

namespace dexmora {

Symbol::Symbol(int sizeIndex, std::vector<uint8_t> codewords, int dataLength, std::vector<uint8_t> modules,
               Dm144Layout layout)
    : m_sizeIndex(sizeIndex),
      m_dataLength(dataLength),
      m_layout(layout),
      m_codewords(std::move(codewords)),
      m_modules(std::move(modules)) {}

}  // namespace dexmora
