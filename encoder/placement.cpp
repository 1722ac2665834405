#include "encoder/placement.h"

#include <cstdlib>

void dmAllocGrid(DmSymbol* symbol) {
  if (symbol == nullptr) std::exit(1);
  const size_t bytes = static_cast<size_t>(symbol->gridRows) * static_cast<size_t>(symbol->gridCols);
  symbol->moduleGrid = static_cast<uint8_t*>(std::calloc(bytes > 0 ? bytes : 1, 1));
  if (symbol->moduleGrid == nullptr) std::exit(2);
}

void dmPlaceModule(DmSymbol* symbol, int row, int col, uint8_t codeword, uint8_t mask) {
  const int rows = symbol->gridRows;
  const int cols = symbol->gridCols;
  // A shape that runs off the top or left edge continues on the opposite
  // edge, shifted by 4 - ((side + 4) mod 8).
  if (row < 0) {
    row += rows;
    col += 4 - ((rows + 4) % 8);
  }
  if (col < 0) {
    col += cols;
    row += 4 - ((cols + 4) % 8);
  }
  if (row < 0 || row >= rows || col < 0 || col >= cols) return;
  uint8_t& module = symbol->moduleGrid[row * cols + col];
  if (codeword & mask) module |= DM_MODULE_DARK;
  module |= DM_MODULE_ASSIGNED | DM_MODULE_VISITED;
}

void dmPlaceCharacter(DmSymbol* symbol, int row, int col, uint8_t codeword) {
  if (row >= 2 && col >= 2 && row < symbol->gridRows && col < symbol->gridCols) {
    // The whole shape lies inside the grid: no wrap, set the bytes directly.
    const int cols = symbol->gridCols;
    uint8_t* const last = symbol->moduleGrid + row * cols + col;
    auto set = [codeword](uint8_t* module, uint8_t mask) {
      *module |= DM_MODULE_ASSIGNED | DM_MODULE_VISITED | ((codeword & mask) ? DM_MODULE_DARK : 0);
    };
    set(last - 2 * cols - 2, 128);
    set(last - 2 * cols - 1, 64);
    set(last - cols - 2, 32);
    set(last - cols - 1, 16);
    set(last - cols, 8);
    set(last - 2, 4);
    set(last - 1, 2);
    set(last, 1);
    return;
  }
  dmPlaceModule(symbol, row - 2, col - 2, codeword, 128);
  dmPlaceModule(symbol, row - 2, col - 1, codeword, 64);
  dmPlaceModule(symbol, row - 1, col - 2, codeword, 32);
  dmPlaceModule(symbol, row - 1, col - 1, codeword, 16);
  dmPlaceModule(symbol, row - 1, col, codeword, 8);
  dmPlaceModule(symbol, row, col - 2, codeword, 4);
  dmPlaceModule(symbol, row, col - 1, codeword, 2);
  dmPlaceModule(symbol, row, col, codeword, 1);
}

namespace {

struct Cell {
  int row;
  int col;
};

// Places the codeword's bits, mask 128 first, at the eight cells given.
void placeShape(DmSymbol* symbol, const Cell (&cells)[8], uint8_t codeword) {
  uint8_t mask = 128;
  for (const Cell& cell : cells) {
    dmPlaceModule(symbol, cell.row, cell.col, codeword, mask);
    mask >>= 1;
  }
}

}  // namespace

void dmPlaceCorner1(DmSymbol* symbol, uint8_t codeword) {
  const int r = symbol->gridRows;
  const int c = symbol->gridCols;
  placeShape(symbol, {{r - 1, 0}, {r - 1, 1}, {r - 1, 2}, {0, c - 2}, {0, c - 1}, {1, c - 1}, {2, c - 1}, {3, c - 1}},
             codeword);
}

void dmPlaceCorner2(DmSymbol* symbol, uint8_t codeword) {
  const int r = symbol->gridRows;
  const int c = symbol->gridCols;
  placeShape(symbol, {{r - 3, 0}, {r - 2, 0}, {r - 1, 0}, {0, c - 4}, {0, c - 3}, {0, c - 2}, {0, c - 1}, {1, c - 1}},
             codeword);
}

void dmPlaceCorner3(DmSymbol* symbol, uint8_t codeword) {
  const int r = symbol->gridRows;
  const int c = symbol->gridCols;
  placeShape(symbol, {{r - 3, 0}, {r - 2, 0}, {r - 1, 0}, {0, c - 2}, {0, c - 1}, {1, c - 1}, {2, c - 1}, {3, c - 1}},
             codeword);
}

void dmPlaceCorner4(DmSymbol* symbol, uint8_t codeword) {
  const int r = symbol->gridRows;
  const int c = symbol->gridCols;
  placeShape(symbol, {{r - 1, 0}, {r - 1, c - 1}, {0, c - 3}, {0, c - 2}, {0, c - 1}, {1, c - 3}, {1, c - 2}, {1, c - 1}},
             codeword);
}

void dmPlaceCodewords(DmSymbol* symbol) {
  const int rows = symbol->gridRows;
  const int cols = symbol->gridCols;
  const uint8_t* grid = symbol->moduleGrid;
  uint32_t next = 0;
  // Every shape takes the next codeword; the walk never asks for more than
  // totalCodewords, and the guard keeps a malformed symbol from reading past.
  auto take = [&](uint8_t& codeword) {
    if (next >= symbol->totalCodewords) return false;
    codeword = symbol->codewords[next++];
    return true;
  };
  // The sweeps' own tests keep every anchor inside the grid for the 24 sizes;
  // the range check makes that hold for any grid.
  auto unvisited = [&](int row, int col) {
    return row >= 0 && row < rows && col >= 0 && col < cols && !(grid[row * cols + col] & DM_MODULE_VISITED);
  };

  uint8_t codeword = 0;
  int row = 4;
  int col = 0;
  do {
    if (row == rows && col == 0) {
      if (take(codeword)) dmPlaceCorner1(symbol, codeword);
    } else if (row == rows - 2 && col == 0 && cols % 4 != 0) {
      if (take(codeword)) dmPlaceCorner2(symbol, codeword);
    } else if (row == rows - 2 && col == 0 && cols % 8 == 4) {
      if (take(codeword)) dmPlaceCorner3(symbol, codeword);
    } else if (row == rows + 4 && col == 2 && cols % 8 == 0) {
      if (take(codeword)) dmPlaceCorner4(symbol, codeword);
    }
    // Upward sweep to the top right.
    do {
      if (row < rows && col >= 0 && unvisited(row, col) && take(codeword)) {
        dmPlaceCharacter(symbol, row, col, codeword);
      }
      row -= 2;
      col += 2;
    } while (row >= 0 && col < cols);
    row += 1;
    col += 3;
    // Downward sweep to the bottom left.
    do {
      if (row >= 0 && col < cols && unvisited(row, col) && take(codeword)) {
        dmPlaceCharacter(symbol, row, col, codeword);
      }
      row += 2;
      col -= 2;
    } while (row < rows && col >= 0);
    row += 3;
    col += 1;
  } while (row < rows || col < cols);

  // The fixed pattern for the bottom-right corner no codeword reached.
  if (unvisited(rows - 1, cols - 1)) {
    symbol->moduleGrid[(rows - 1) * cols + cols - 1] |= DM_MODULE_DARK;
    symbol->moduleGrid[(rows - 2) * cols + cols - 2] |= DM_MODULE_DARK;
  }
}
