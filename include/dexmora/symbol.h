#pragma once

/// @file
/// A finished symbol and the figures every front end reports about it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <dexmora/export.h>
#include <dexmora/notice.h>
#include <dexmora/sizes.h>

namespace dexmora {

namespace detail {
struct SymbolAccess;
struct SymbolData;
}  // namespace detail

/// A finished ECC200 symbol: its size, its codeword stream and every module,
/// finder and alignment patterns included, and what encode() chose on the
/// caller's behalf. Only encode() makes one. An immutable value, cheap to
/// copy and safe to share between threads.
class DEXMORA_EXPORT Symbol {
 public:
  /// Shares `other`'s symbol.
  Symbol(const Symbol& other);
  /// Shares `other`'s symbol.
  Symbol& operator=(const Symbol& other);
  ~Symbol();

  /// The symbol's size (one of the 48).
  const SymbolSize& size() const;
  /// The size's index, as symbolSize() takes it.
  int sizeIndex() const;
  /// Module rows, finder included.
  int rows() const;
  /// Module columns, finder included.
  int cols() const;

  /// Whether module (x, y) is dark: column x from the left, row y from the
  /// top, both from 0. Outside the symbol (the quiet zone) it is light.
  bool isDark(int x, int y) const;
  /// rows() x cols() bytes, row-major, top row first, 1 = dark, 0 = light.
  const std::vector<uint8_t>& modules() const;

  /// Data codewords (the encoded text, then pads), then the interleaved
  /// error-correction codewords.
  const std::vector<uint8_t>& codewords() const;
  /// Data codewords the text took before the pads ("data_length").
  int dataLength() const;
  /// Data codewords the size holds ("capacity").
  int capacity() const;
  /// How the error-correction blocks were laid out (it matters at 144x144 only).
  Dm144Layout layout() const;
  /// What encode() chose on the caller's behalf (a larger size, say); empty
  /// when it did just what the options asked.
  const std::vector<Notice>& notices() const;

 private:
  friend struct detail::SymbolAccess;
  explicit Symbol(std::shared_ptr<const detail::SymbolData> data);
  std::shared_ptr<const detail::SymbolData> m_data;
};

/// The symbol's size as "RxC", e.g. "22x22" ("size").
inline std::string sizeName(const Symbol& symbol) { return sizeName(symbol.size()); }

/// The codeword stream as decimal numbers separated by spaces, then "\n" ("codewords").
DEXMORA_EXPORT std::string codewordsText(const Symbol& symbol);

/// The modules as rows of '0' and '1', top row first, "\n" after each row,
/// '1' for dark ("modules").
DEXMORA_EXPORT std::string modulesText(const Symbol& symbol);

}  // namespace dexmora
