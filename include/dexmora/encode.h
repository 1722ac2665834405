#pragma once

/// @file
/// Text to symbol.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <dexmora/error.h>
#include <dexmora/export.h>
#include <dexmora/options.h>
#include <dexmora/symbol.h>

namespace dexmora {

/// Encodes `length` bytes of `text` (any bytes, zero included) into a
/// finished symbol: data encodation, size selection, padding, Reed-Solomon
/// and module placement. Checks the options first (checkEncodeOptions). An
/// empty text is EmptyText. A size asked for that the text does not fit
/// gives the smallest larger size of its shape and a size_raised notice on
/// the symbol; with SizeRequest::exact it is TooLong instead. TooLong's
/// message says what would fit: minimal encodation, or the size an exact
/// request falls back to. Reentrant: no state is kept between calls.
DEXMORA_EXPORT Expected<Symbol> encode(const uint8_t* text, size_t length, const EncodeOptions& options = {});

/// encode() of the bytes of `text`.
inline Expected<Symbol> encode(std::string_view text, const EncodeOptions& options = {}) {
  return encode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), options);
}

}  // namespace dexmora
