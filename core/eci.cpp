#include "core/header_codewords.h"

namespace dexmora {

std::vector<uint8_t> eciCodewords(int value) {
  constexpr uint8_t ECI = 241;
  if (value < 127) return std::vector<uint8_t>{ECI, static_cast<uint8_t>(value + 1)};
  // Each further codeword carries a base-254 digit 1..254; the first one's
  // range (128-191 or 192-207) tells how many follow.
  if (value < 16383) {
    const int v = value - 127;
    return std::vector<uint8_t>{ECI, static_cast<uint8_t>(v / 254 + 128), static_cast<uint8_t>(v % 254 + 1)};
  }
  const int v = value - 16383;
  return std::vector<uint8_t>{ECI, static_cast<uint8_t>(v / 64516 + 192), static_cast<uint8_t>(v / 254 % 254 + 1),
                              static_cast<uint8_t>(v % 254 + 1)};
}

}  // namespace dexmora
