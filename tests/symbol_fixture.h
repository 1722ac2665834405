#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "classic/encode_job.h"
#include <dexmora/symbol.h>

// A mapping matrix of one of the 24 sizes with modules the test chooses, and
// the whole symbol the core frames around it.
struct GridFixture {
  explicit GridFixture(int sizeIndex);

  int sizeIndex;
  int symbolSize;
  int regionSize;
  int side;  // of the mapping matrix
  std::vector<uint8_t> grid;

  uint8_t& module(int row, int col) { return grid[static_cast<size_t>(row) * static_cast<size_t>(side) + col]; }
  // A snapshot: take it after changing the grid.
  dexmora::Symbol framed() const;
};

// An encode job run the way dmEncode runs it up to the raster: `text` at the
// requested side (0 automatic) through the symbol steps, and the raster
// allocated for the chosen size, every byte 0x5A until something paints it.
// Owns the encoder; frees the symbol and the encoder when it goes.
class ClassicJob {
 public:
  ClassicJob(int32_t requested, const std::string& text);
  ~ClassicJob();
  ClassicJob(const ClassicJob&) = delete;
  ClassicJob& operator=(const ClassicJob&) = delete;

  DmEncoder& encoder() { return *m_encoder; }
  DmSymbol& symbol() { return m_encoder->symbol; }
  // The library's symbol the steps filled the record from.
  const dexmora::Symbol& finished() const { return *m_encoder->symbol.finished; }
  int symbolSize() const { return finished().rows(); }
  // Buffer row `y` (0 at the bottom) of the raster, three bytes a pixel.
  std::vector<uint8_t> rasterRow(uint32_t y) const;

 private:
  DmEncoder* m_encoder;
};

// The classic pipeline's steps up to the placed grid, as dmEncode runs them,
// honouring requestedSize. The caller frees the symbol with dmFreeSymbol.
void buildClassicSymbol(DmSymbol* symbol, const uint8_t* text, int32_t length);
