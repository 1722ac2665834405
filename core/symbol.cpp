#include "core/symbol.h"

#include <utility>

namespace dexmora {

Symbol::Symbol(int sizeIndex, std::vector<uint8_t> codewords, int dataLength, std::vector<uint8_t> modules)
    : m_sizeIndex(sizeIndex),
      m_dataLength(dataLength),
      m_codewords(std::move(codewords)),
      m_modules(std::move(modules)) {}

}  // namespace dexmora
