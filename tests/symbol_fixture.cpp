#include "symbol_fixture.h"

#include "encoder/symbol_tables.h"

namespace {

int alignmentLines(int regionCount) {
  switch (regionCount) {
    case 4: return 2;
    case 16: return 6;
    case 36: return 10;
    default: return 0;
  }
}

}  // namespace

SymbolFixture::SymbolFixture(int sizeIndex) : encoder() {
  const DmSymbolAttributeRow& row = SymbolAttributes[sizeIndex];
  symbolSize = row.symbolSize;
  regionSize = row.regionSize;
  lines = alignmentLines(row.regionCount);
  const int side = symbolSize - lines - 2;
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
