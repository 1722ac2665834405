#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/reed_solomon.h"
#include "core/sizes.h"

namespace dexmora {

// A finished ECC200 symbol: its size, its codeword stream and every module,
// finder and alignment patterns included. An immutable value, safe to share
// between threads.
class Symbol {
 public:
  // `modules` holds rows x cols bytes, row-major, top row first, 1 = dark;
  // `dataLength` is how many data codewords the text took before the pads.
  Symbol(int sizeIndex, std::vector<uint8_t> codewords, int dataLength, std::vector<uint8_t> modules,
         Dm144Layout layout = Dm144Layout::Iso);

  int sizeIndex() const { return m_sizeIndex; }
  const SymbolSize& size() const { return SYMBOL_SIZES[m_sizeIndex]; }
  int rows() const { return size().rows; }
  int cols() const { return size().cols; }

  // Whether module (x, y) is dark: column x from the left, row y from the
  // top, both from 0. Outside the symbol (the quiet zone) it is light.
  bool isDark(int x, int y) const {
    return x >= 0 && y >= 0 && x < cols() && y < rows() &&
           m_modules[static_cast<size_t>(y) * static_cast<size_t>(cols()) + static_cast<size_t>(x)] != 0;
  }
  // rows x cols bytes, row-major, top row first, 1 = dark.
  const std::vector<uint8_t>& modules() const { return m_modules; }

  // Data codewords (the encoded text, then pads), then the interleaved
  // error-correction codewords.
  const std::vector<uint8_t>& codewords() const { return m_codewords; }
  int dataLength() const { return m_dataLength; }
  // How the error-correction blocks were laid out (it matters at 144x144 only).
  Dm144Layout layout() const { return m_layout; }

 private:
  int m_sizeIndex;
  int m_dataLength;
  Dm144Layout m_layout;
  std::vector<uint8_t> m_codewords;
  std::vector<uint8_t> m_modules;
};

}  // namespace dexmora
