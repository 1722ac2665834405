#include "cli/built_symbol.h"

#include "encoder/symbol_tables.h"
#include "image/rasterizer.h"

BuiltSymbol::BuiltSymbol(int32_t requestedSize, const std::string& text) : m_encoder(dmCreateEncoder(requestedSize)) {
  dmBuildSymbol(&m_encoder->symbol, reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()));
}

BuiltSymbol::~BuiltSymbol() {
  dmFreeSymbol(&m_encoder->symbol);
  dmDestroyEncoder(&m_encoder);
}

int32_t BuiltSymbol::symbolSize() const { return SymbolAttributes[m_encoder->symbol.sizeIndex].symbolSize; }

std::string formatModuleRows(const DmSymbol& symbol) {
  // Module coordinates run from -1 (left/top finder edge) to the last
  // column/row, which lies past the grid by the alignment lines.
  int lastColumn = symbol.gridCols + dmAlignmentLines(symbol.regionCount);
  int lastRow = symbol.gridRows + dmAlignmentLines(symbol.regionCount);
  std::string rows;
  rows.reserve(static_cast<std::size_t>(lastRow + 2) * static_cast<std::size_t>(lastColumn + 3));
  for (int y = -1; y <= lastRow; ++y) {
    for (int x = -1; x <= lastColumn; ++x) rows += dmSymbolModuleDark(symbol, x, y) ? '1' : '0';
    rows += '\n';
  }
  return rows;
}

std::string formatCodewords(const DmSymbol& symbol) {
  std::string line;
  line.reserve(symbol.totalCodewords * 4);
  for (uint32_t i = 0; i < symbol.totalCodewords; ++i) {
    if (i > 0) line += ' ';
    line += std::to_string(symbol.codewords[i]);
  }
  line += '\n';
  return line;
}
