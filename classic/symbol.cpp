#include "symbol.h"

#include <cstdlib>
#include <cstring>

void dmFreeSymbol(DmSymbol* symbol) {
  if (symbol == nullptr) return;
  std::free(symbol->moduleGrid);
  std::free(symbol->codewords);
  delete symbol->finished;
  std::memset(symbol, 0, sizeof *symbol);
}
