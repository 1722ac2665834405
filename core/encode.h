#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/encodation.h"
#include "core/expected.h"
#include "core/reed_solomon.h"
#include "core/sizes.h"
#include "core/symbol.h"

namespace dexmora {

// Every choice of an encode; the defaults give the first release's symbol.
struct EncodeOptions {
  SizeRequest size;
  DataOptions data;
  Dm144Layout dm144 = Dm144Layout::Iso;
};

// Encodes `length` bytes of `text` (any bytes, zero included) into a finished
// symbol: data encodation, size selection, padding, Reed-Solomon and module
// placement. The symbol tells which size was chosen. An empty text gives a
// symbol of pads. Reentrant: no state is kept between calls.
Expected<Symbol> encode(const uint8_t* text, size_t length, const EncodeOptions& options = {});

inline Expected<Symbol> encode(std::string_view text, const EncodeOptions& options = {}) {
  return encode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), options);
}

}  // namespace dexmora
