#pragma once

#include <string>

#include "core/symbol.h"

// The symbol as rows of '0'/'1', top row first, one '\n' after each row,
// finder and alignment patterns included; '1' is a dark module.
std::string formatModuleRows(const dexmora::Symbol& symbol);

// The whole codeword stream as decimal numbers separated by spaces, then '\n'.
std::string formatCodewords(const dexmora::Symbol& symbol);
