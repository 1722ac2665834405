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

// What one module column (or row) of the symbol holds, counted from -1 at
// the left (top) finder edge.
enum class Line : uint8_t {
  Finder,     // the solid left column (bottom row)
  Clock,      // the alternating top row (right column)
  Solid,      // an alignment line drawn solid
  Alternate,  // an alignment line that alternates
  Data,       // a line of the data regions
};

// The lines across one side, between its two edges: regions of `region`
// modules, each followed by two alignment lines, the first alternating and
// the second solid across the columns (`alternateFirst`), the other way
// round across the rows. `dataIndex` gets each data line's place in the
// mapping matrix.
std::vector<Line> lineKinds(int count, int region, bool alternateFirst, std::vector<int>& dataIndex) {
  std::vector<Line> kinds(static_cast<size_t>(count));
  dataIndex.assign(static_cast<size_t>(count), 0);
  for (int k = 1; k < count - 1; ++k) {
    const int x = k - 1;
    const int inPeriod = x % (region + 2);
    Line kind = Line::Data;
    if (inPeriod == region) kind = alternateFirst ? Line::Alternate : Line::Solid;
    if (inPeriod == region + 1) kind = alternateFirst ? Line::Solid : Line::Alternate;
    kinds[static_cast<size_t>(k)] = kind;
    // Each full period before this module holds two alignment lines.
    dataIndex[static_cast<size_t>(k)] = x - 2 * (x / (region + 2));
  }
  return kinds;
}

}  // namespace

void placeCodewords(uint8_t* grid, int rows, int cols, const uint8_t* codewords, size_t count) {
  Placer(grid, rows, cols, codewords, count).run();
}

// The finder pattern, the alignment patterns and the data modules. Where
// lines cross, the first matching rule wins: the left column and bottom row,
// then the top row and the right column, then the solid alignment lines,
// then the alternating ones (a row's alternation by column, a column's by row).
std::vector<uint8_t> frameModules(const SymbolSize& size, const uint8_t* grid) {
  const int rows = size.rows;
  const int cols = size.cols;
  std::vector<int> dataCol;
  std::vector<int> dataRow;
  std::vector<Line> colKind = lineKinds(cols, size.regionCols, true, dataCol);
  std::vector<Line> rowKind = lineKinds(rows, size.regionRows, false, dataRow);
  colKind.front() = Line::Finder;
  colKind.back() = Line::Clock;
  rowKind.front() = Line::Clock;
  rowKind.back() = Line::Finder;

  std::vector<uint8_t> modules(static_cast<size_t>(rows) * static_cast<size_t>(cols));
  for (int Y = 0; Y < rows; ++Y) {
    const Line row = rowKind[static_cast<size_t>(Y)];
    const uint8_t rowParity = (Y - 1) & 1 ? 0 : 1;  // a column's alternation: dark on even y
    uint8_t* out = modules.data() + static_cast<size_t>(Y) * static_cast<size_t>(cols);
    if (row == Line::Data) {
      // Most of the symbol: whole runs of data modules between the lines.
      const uint8_t* gridRow = grid + static_cast<size_t>(dataRow[static_cast<size_t>(Y)]) * size.mappingCols();
      for (int X = 0; X < cols; ++X) {
        switch (colKind[static_cast<size_t>(X)]) {
          case Line::Data: out[X] = gridRow[dataCol[static_cast<size_t>(X)]] & MODULE_DARK; break;
          case Line::Clock:
          case Line::Alternate: out[X] = rowParity; break;
          default: out[X] = 1;
        }
      }
      continue;
    }
    for (int X = 0; X < cols; ++X) {
      const Line col = colKind[static_cast<size_t>(X)];
      const uint8_t columnParity = (X - 1) & 1 ? 1 : 0;  // a row's alternation: dark on odd x
      bool dark;
      if (col == Line::Finder || row == Line::Finder) {
        dark = true;
      } else if (row == Line::Clock) {
        dark = columnParity;
      } else if (col == Line::Clock) {
        dark = rowParity;
      } else if (row == Line::Solid || col == Line::Solid) {
        dark = true;
      } else {
        dark = columnParity;  // the row alternates
      }
      out[X] = dark ? 1 : 0;
    }
  }
  return modules;
}

}  // namespace dexmora
