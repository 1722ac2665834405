#pragma once

/// @file
/// A finished symbol and the figures every front end reports about it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <dexmora/notice.h>
#include <dexmora/sizes.h>

namespace dexmora {

namespace detail {
struct SymbolAccess;
}

/// A finished ECC200 symbol: its size, its codeword stream and every module,
/// finder and alignment patterns included. Only encode() makes one. An
/// immutable value, safe to share between threads.
class Symbol {
 public:
  /// The symbol's size (one of the 48).
  const SymbolSize& size() const { return *m_size; }
  /// The size's index, as symbolSize() takes it.
  int sizeIndex() const { return m_sizeIndex; }
  /// Module rows, finder included.
  int rows() const { return m_size->rows; }
  /// Module columns, finder included.
  int cols() const { return m_size->cols; }

  /// Whether module (x, y) is dark: column x from the left, row y from the
  /// top, both from 0. Outside the symbol (the quiet zone) it is light.
  bool isDark(int x, int y) const {
    return x >= 0 && y >= 0 && x < cols() && y < rows() &&
           m_modules[static_cast<size_t>(y) * static_cast<size_t>(cols()) + static_cast<size_t>(x)] != 0;
  }
  /// rows() x cols() bytes, row-major, top row first, 1 = dark, 0 = light.
  const std::vector<uint8_t>& modules() const { return m_modules; }

  /// Data codewords (the encoded text, then pads), then the interleaved
  /// error-correction codewords.
  const std::vector<uint8_t>& codewords() const { return m_codewords; }
  /// Data codewords the text took before the pads ("data_length").
  int dataLength() const { return m_dataLength; }
  /// Data codewords the size holds ("capacity").
  int capacity() const { return m_size->dataCodewords; }
  /// How the error-correction blocks were laid out (it matters at 144x144 only).
  Dm144Layout layout() const { return m_layout; }
  /// What encode() chose on the caller's behalf (a larger size, say); empty
  /// when it did just what the options asked.
  const std::vector<Notice>& notices() const { return m_notices; }

 private:
  friend struct detail::SymbolAccess;
  Symbol(int sizeIndex, const SymbolSize& size, std::vector<uint8_t> codewords, int dataLength,
         std::vector<uint8_t> modules, Dm144Layout layout)
      : m_sizeIndex(sizeIndex),
        m_size(&size),
        m_dataLength(dataLength),
        m_layout(layout),
        m_codewords(std::move(codewords)),
        m_modules(std::move(modules)) {}

  int m_sizeIndex;
  const SymbolSize* m_size;
  int m_dataLength;
  Dm144Layout m_layout;
  std::vector<uint8_t> m_codewords;
  std::vector<uint8_t> m_modules;
  std::vector<Notice> m_notices;
};

/// The symbol's size as "RxC", e.g. "22x22" ("size").
inline std::string sizeName(const Symbol& symbol) { return sizeName(symbol.size()); }

/// The codeword stream as decimal numbers separated by spaces, then "\n" ("codewords").
std::string codewordsText(const Symbol& symbol);

/// The modules as rows of '0' and '1', top row first, "\n" after each row,
/// '1' for dark ("modules").
std::string modulesText(const Symbol& symbol);

}  // namespace dexmora
