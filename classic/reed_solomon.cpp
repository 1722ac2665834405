#include "classic/reed_solomon.h"

#include "core/reed_solomon.h"

void dmComputeEcc(DmSymbol* symbol) {
  dexmora::computeErrorCorrection(symbol->codewords, dexmora::SYMBOL_SIZES[symbol->sizeIndex]);
}
