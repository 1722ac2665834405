#include "core/placement.h"

namespace dexmora {

namespace {

// One walk over one mapping matrix.
class Placer {
 public:
  Placer(uint8_t* grid, int rows, int cols, const uint8_t* codewords, size_t count)
      : m_grid(grid), m_rows(rows), m_cols(cols), m_codewords(codewords), m_count(count) {}

  void run();

 private:
  struct Cell {
    int row;
    int col;
  };

  bool take(uint8_t& codeword) {
    if (m_next >= m_count) return false;
    codeword = m_codewords[m_next++];
    return true;
  }
  // The sweeps' own tests keep every anchor inside the grid for the
  // standard's sizes; the range check makes that hold for any grid.
  bool unvisited(int row, int col) const {
    return row >= 0 && row < m_rows && col >= 0 && col < m_cols && !(m_grid[row * m_cols + col] & MODULE_VISITED);
  }
  void placeModule(int row, int col, uint8_t codeword, uint8_t mask);
  void placeCharacter(int row, int col, uint8_t codeword);
  void placeShape(const Cell (&cells)[8], uint8_t codeword) {
    uint8_t mask = 128;
    for (const Cell& cell : cells) {
      placeModule(cell.row, cell.col, codeword, mask);
      mask >>= 1;
    }
  }
  void corner1(uint8_t cw) {
    const int r = m_rows, c = m_cols;
    placeShape({{r - 1, 0}, {r - 1, 1}, {r - 1, 2}, {0, c - 2}, {0, c - 1}, {1, c - 1}, {2, c - 1}, {3, c - 1}}, cw);
  }
  void corner2(uint8_t cw) {
    const int r = m_rows, c = m_cols;
    placeShape({{r - 3, 0}, {r - 2, 0}, {r - 1, 0}, {0, c - 4}, {0, c - 3}, {0, c - 2}, {0, c - 1}, {1, c - 1}}, cw);
  }
  void corner3(uint8_t cw) {
    const int r = m_rows, c = m_cols;
    placeShape({{r - 3, 0}, {r - 2, 0}, {r - 1, 0}, {0, c - 2}, {0, c - 1}, {1, c - 1}, {2, c - 1}, {3, c - 1}}, cw);
  }
  void corner4(uint8_t cw) {
    const int r = m_rows, c = m_cols;
    placeShape({{r - 1, 0}, {r - 1, c - 1}, {0, c - 3}, {0, c - 2}, {0, c - 1}, {1, c - 3}, {1, c - 2}, {1, c - 1}}, cw);
  }

  uint8_t* m_grid;
  int m_rows;
  int m_cols;
  const uint8_t* m_codewords;
  size_t m_count;
  size_t m_next = 0;
};

void Placer::placeModule(int row, int col, uint8_t codeword, uint8_t mask) {
  // A shape that runs off the top or left edge continues on the opposite
  // edge, shifted by 4 - ((side + 4) mod 8).
  if (row < 0) {
    row += m_rows;
    col += 4 - ((m_rows + 4) % 8);
  }
  if (col < 0) {
    col += m_cols;
    row += 4 - ((m_cols + 4) % 8);
  }
  // Only DMRE 26x40 and 26x48 (mapping rows a multiple of 8, columns 4 more
  // than one) take a shape below the bottom: it continues at the top.
  if (row >= m_rows) row -= m_rows;
  if (row < 0 || row >= m_rows || col < 0 || col >= m_cols) return;
  uint8_t& module = m_grid[row * m_cols + col];
  if (codeword & mask) module |= MODULE_DARK;
  module |= MODULE_ASSIGNED | MODULE_VISITED;
}

// The eight bits of a codeword in the character shape whose last module is
// (row, col).
void Placer::placeCharacter(int row, int col, uint8_t codeword) {
  if (row >= 2 && col >= 2 && row < m_rows && col < m_cols) {
    // The whole shape lies inside the grid: no wrap, set the bytes directly.
    uint8_t* const last = m_grid + row * m_cols + col;
    const int cols = m_cols;
    auto set = [codeword](uint8_t* module, uint8_t mask) {
      *module |= MODULE_ASSIGNED | MODULE_VISITED | ((codeword & mask) ? MODULE_DARK : 0);
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
  placeModule(row - 2, col - 2, codeword, 128);
  placeModule(row - 2, col - 1, codeword, 64);
  placeModule(row - 1, col - 2, codeword, 32);
  placeModule(row - 1, col - 1, codeword, 16);
  placeModule(row - 1, col, codeword, 8);
  placeModule(row, col - 2, codeword, 4);
  placeModule(row, col - 1, codeword, 2);
  placeModule(row, col, codeword, 1);
}

void Placer::run() {
  const int rows = m_rows;
  const int cols = m_cols;
  uint8_t codeword = 0;
  int row = 4;
  int col = 0;
  do {
    if (row == rows && col == 0) {
      if (take(codeword)) corner1(codeword);
    } else if (row == rows - 2 && col == 0 && cols % 4 != 0) {
      if (take(codeword)) corner2(codeword);
    } else if (row == rows - 2 && col == 0 && cols % 8 == 4) {
      if (take(codeword)) corner3(codeword);
    } else if (row == rows + 4 && col == 2 && cols % 8 == 0) {
      if (take(codeword)) corner4(codeword);
    }
    // Upward sweep to the top right.
    do {
      if (row < rows && col >= 0 && unvisited(row, col) && take(codeword)) placeCharacter(row, col, codeword);
      row -= 2;
      col += 2;
    } while (row >= 0 && col < cols);
    row += 1;
    col += 3;
    // Downward sweep to the bottom left.
    do {
      if (row >= 0 && col < cols && unvisited(row, col) && take(codeword)) placeCharacter(row, col, codeword);
      row += 2;
      col -= 2;
    } while (row < rows && col >= 0);
    row += 3;
    col += 1;
  } while (row < rows || col < cols);

  // The fixed pattern for the bottom-right corner no codeword reached.
  if (unvisited(rows - 1, cols - 1)) {
    m_grid[(rows - 1) * cols + cols - 1] |= MODULE_DARK;
    m_grid[(rows - 2) * cols + cols - 2] |= MODULE_DARK;
  }
}

// Module (x, y) of the symbol, counted from -1 at the left and top finder
// edges: the finder pattern, the alignment patterns and the data modules.
// The first matching rule wins, which decides where alignment lines cross.
bool frameModuleDark(const SymbolSize& size, const uint8_t* grid, int x, int y) {
  const int xMax = size.cols - 2;
  const int yMax = size.rows - 2;
  if (x == -1 || y == yMax) return true;
  if (y == -1) return (x & 1) != 0;
  if (x == xMax) return (y & 1) == 0;
  const int periodX = size.regionCols + 2;
  const int periodY = size.regionRows + 2;
  const int yInPeriod = y % periodY;
  const int xInPeriod = x % periodX;
  if (yInPeriod == size.regionRows) return true;
  if (xInPeriod == size.regionCols + 1) return true;
  if (yInPeriod == size.regionRows + 1) return (x & 1) != 0;
  if (xInPeriod == size.regionCols) return (y & 1) == 0;
  // Each full period before this module holds two alignment lines.
  const int row = y - 2 * (y / periodY);
  const int col = x - 2 * (x / periodX);
  return (grid[row * size.mappingCols() + col] & MODULE_DARK) != 0;
}

}  // namespace

void placeCodewords(uint8_t* grid, int rows, int cols, const uint8_t* codewords, size_t count) {
  Placer(grid, rows, cols, codewords, count).run();
}

std::vector<uint8_t> frameModules(const SymbolSize& size, const uint8_t* grid) {
  std::vector<uint8_t> modules(static_cast<size_t>(size.rows) * static_cast<size_t>(size.cols));
  size_t i = 0;
  for (int y = -1; y < size.rows - 1; ++y) {
    for (int x = -1; x < size.cols - 1; ++x) modules[i++] = frameModuleDark(size, grid, x, y) ? 1 : 0;
  }
  return modules;
}

}  // namespace dexmora
