#include "classic/placement.h"

#include <cstdlib>

#include "core/placement.h"

void dmAllocGrid(DmSymbol* symbol) {
  if (symbol == nullptr) std::exit(1);
  const size_t bytes = static_cast<size_t>(symbol->gridRows) * static_cast<size_t>(symbol->gridCols);
  symbol->moduleGrid = static_cast<uint8_t*>(std::calloc(bytes > 0 ? bytes : 1, 1));
  if (symbol->moduleGrid == nullptr) std::exit(2);
}

void dmPlaceCodewords(DmSymbol* symbol) {
  dexmora::placeCodewords(symbol->moduleGrid, symbol->gridRows, symbol->gridCols, symbol->codewords,
                          symbol->totalCodewords);
}
