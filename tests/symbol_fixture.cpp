#include "symbol_fixture.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "classic/symbol_steps.h"
#include "classic/symbol_tables.h"
#include "core/placement.h"
#include "core/symbol_access.h"

GridFixture::GridFixture(int index) : sizeIndex(index) {
  const DmSymbolAttributeRow& row = SymbolAttributes[sizeIndex];
  symbolSize = row.symbolSize;
  regionSize = row.regionSize;
  // 1, 4, 16 or 36 square regions: 1, 2, 4 or 6 across.
  int regionsAcross = 1;
  while (regionsAcross * regionsAcross < row.regionCount) ++regionsAcross;
  side = regionsAcross * regionSize;
  grid.assign(static_cast<size_t>(side) * static_cast<size_t>(side), 0);
}

dexmora::Symbol GridFixture::framed() const {
  return dexmora::detail::SymbolAccess::make(sizeIndex, {}, 0,
                                             dexmora::frameModules(dexmora::SYMBOL_SIZES[sizeIndex], grid.data()));
}

ClassicJob::ClassicJob(int32_t requested, const std::string& text) : m_encoder(dmCreateEncoder(requested)) {
  buildClassicSymbol(&m_encoder->symbol, reinterpret_cast<const uint8_t*>(text.data()),
                     static_cast<int32_t>(text.size()));
  if (m_encoder->symbol.finished == nullptr) {
    dmFreeSymbol(&m_encoder->symbol);
    dmDestroyEncoder(&m_encoder);
    throw std::invalid_argument("the library refused the text");
  }
  RgbImage& image = m_encoder->image;
  image.width = static_cast<uint32_t>(5 * symbolSize() + 20);
  image.height = image.width;
  const size_t bytes = static_cast<size_t>(image.width) * image.height * 3;
  image.pixels = static_cast<uint8_t*>(std::malloc(bytes));  // freed by dmDestroyEncoder
  std::memset(image.pixels, 0x5A, bytes);
}

ClassicJob::~ClassicJob() {
  m_encoder->image.symbol = nullptr;
  dmFreeSymbol(&m_encoder->symbol);
  dmDestroyEncoder(&m_encoder);
}

std::vector<uint8_t> ClassicJob::rasterRow(uint32_t y) const {
  const RgbImage& image = m_encoder->image;
  const uint8_t* row = image.pixels + static_cast<size_t>(y) * image.width * 3;
  return std::vector<uint8_t>(row, row + static_cast<size_t>(image.width) * 3);
}

void buildClassicSymbol(DmSymbol* symbol, const uint8_t* text, int32_t length) {
  dmEncodeData(symbol, text, length);
  dmAddPadding(symbol);
  dmComputeEcc(symbol);
  dmAllocGrid(symbol);
  dmPlaceCodewords(symbol);
}
