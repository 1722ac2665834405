#pragma once

#include <cstdint>
#include <string>

#include "encoder/encode_job.h"

// An encoder holding the finished symbol (codewords and module grid) of one
// text, for printing it or learning the size the encoder chose. Owns the
// encoder and the symbol's buffers and releases them on destruction.
class BuiltSymbol {
 public:
  // `text` must be non-empty and fit the largest symbol.
  BuiltSymbol(int32_t requestedSize, const std::string& text);
  ~BuiltSymbol();
  BuiltSymbol(const BuiltSymbol&) = delete;
  BuiltSymbol& operator=(const BuiltSymbol&) = delete;

  const DmSymbol& symbol() const { return m_encoder->symbol; }
  // Side in modules, finder and alignment patterns included.
  int32_t symbolSize() const;

 private:
  DmEncoder* m_encoder;
};

// The symbol as rows of '0'/'1', top row first, one '\n' after each row.
std::string formatModuleRows(const DmSymbol& symbol);

// The whole codeword stream as decimal numbers separated by spaces, then '\n'.
std::string formatCodewords(const DmSymbol& symbol);
