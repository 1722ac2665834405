#include "symbol_fixture.h"

#include "classic/data_encoding.h"
#include "classic/placement.h"
#include "classic/reed_solomon.h"
#include "classic/symbol_tables.h"
#include "core/placement.h"
#include "core/symbol_access.h"

SymbolFixture::SymbolFixture(int sizeIndex) : encoder() {
  const DmSymbolAttributeRow& row = SymbolAttributes[sizeIndex];
  symbolSize = row.symbolSize;
  regionSize = row.regionSize;
  // 1, 4, 16 or 36 square regions: 1, 2, 4 or 6 across.
  int regionsAcross = 1;
  while (regionsAcross * regionsAcross < row.regionCount) ++regionsAcross;
  const int side = regionsAcross * regionSize;
  grid.assign(static_cast<size_t>(side) * side, 0);
  const uint32_t picture = static_cast<uint32_t>(5 * symbolSize + 20);
  pixels.assign(static_cast<size_t>(picture) * picture * 3, 0x5A);

  encoder.moduleSize = 5;
  encoder.quietZone = 10;
  encoder.image = {picture, picture, pixels.data()};
  matrix3Identity(&encoder.transform);
  encoder.symbol.sizeIndex = sizeIndex;
  encoder.symbol.regionCount = row.regionCount;
  encoder.symbol.gridRows = side;
  encoder.symbol.gridCols = side;
  encoder.symbol.moduleGrid = grid.data();
}

dexmora::Symbol SymbolFixture::framed() const {
  const int sizeIndex = encoder.symbol.sizeIndex;
  return dexmora::detail::SymbolAccess::make(sizeIndex, {}, 0,
                                             dexmora::frameModules(dexmora::SYMBOL_SIZES[sizeIndex], grid.data()));
}

void buildClassicSymbol(DmSymbol* symbol, const uint8_t* text, int32_t length) {
  dmEncodeData(symbol, text, length);
  dmAddPadding(symbol);
  dmComputeEcc(symbol);
  dmAllocGrid(symbol);
  dmPlaceCodewords(symbol);
}
