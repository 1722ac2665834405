#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "classic/encode_job.h"
#include <dexmora/symbol.h>

// A placed symbol of one of the 24 sizes with a grid the test chooses, and an
// encoder around it whose raster has the pipeline's dimensions. The buffers
// belong to this object, not to the encoder.
struct SymbolFixture {
  explicit SymbolFixture(int sizeIndex);
  SymbolFixture(const SymbolFixture&) = delete;
  SymbolFixture& operator=(const SymbolFixture&) = delete;

  int symbolSize;
  int regionSize;
  std::vector<uint8_t> grid;
  std::vector<uint8_t> pixels;
  DmEncoder encoder;

  DmSymbol& symbol() { return encoder.symbol; }
  uint8_t& module(int row, int col) { return grid[static_cast<size_t>(row) * encoder.symbol.gridCols + col]; }
  // The whole symbol the grid gives, finder and alignment patterns framed
  // around it by the core; a snapshot, so take it after changing the grid.
  dexmora::Symbol framed() const;
};

// The classic pipeline's steps up to the placed grid, as dmEncode runs them,
// honouring requestedSize. The caller frees the symbol with dmFreeSymbol.
void buildClassicSymbol(DmSymbol* symbol, const uint8_t* text, int32_t length);
