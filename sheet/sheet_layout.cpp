#include <dexmora/sheet.h>

#include <cmath>

#include "render/vector_geometry.h"

namespace dexmora {

namespace {

// A hundredth of a micrometre: lengths given in inches or points never add
// up exactly in millimetres, and a grid that fits on paper must not be
// refused for the last bit of a double.
constexpr double kSlackMm = 1e-5;

Error badLayout(std::string message) { return Error(ErrorCode::BadOption, std::move(message)); }

std::string number(double value) { return formatNumber(std::round(value * 1000) / 1000); }

std::string mm(double value) { return number(value) + " mm"; }

std::string extent(double width, double height) { return number(width) + " x " + mm(height); }

}  // namespace

Expected<SheetLayout> SheetLayout::make(const SheetSettings& settings) {
  SheetLayout layout;
  layout.m_paper = settings.paper();
  layout.m_grid = settings.grid();
  const SheetExtent& paper = layout.m_paper;
  const SheetGrid& grid = layout.m_grid;
  if (!(paper.width > 0 && paper.height > 0)) return badLayout("the paper has no area");
  if (grid.columns < 1 || grid.rows < 1 || grid.columns > 100 || grid.rows > 100) {
    return badLayout("a grid of " + std::to_string(grid.columns) + "x" + std::to_string(grid.rows) +
                     " cells: columns and rows must be from 1 to 100");
  }
  const std::optional<SheetPair> margin = settings.margin();
  const std::optional<SheetPair> pitch = settings.pitch();
  std::optional<SheetExtent> cell = settings.cell();
  if (!cell) {
    // Without a cell size the cells are the pitch, or else share the page
    // inside equal margins on opposite edges.
    const SheetPair edge = margin.value_or(SheetPair{});
    cell = pitch ? SheetExtent{pitch->first, pitch->second}
                 : SheetExtent{(paper.width - 2 * edge.second) / grid.columns,
                               (paper.height - 2 * edge.first) / grid.rows};
    if (!(cell->width > 0 && cell->height > 0)) {
      return badLayout("margins of " + mm(edge.first) + " and " + mm(edge.second) + " leave no room for cells on a " +
                       extent(paper.width, paper.height) + " page");
    }
  }
  layout.m_cell = *cell;
  layout.m_pitch = pitch.value_or(SheetPair{cell->width, cell->height});
  if (layout.m_pitch.first + kSlackMm < cell->width || layout.m_pitch.second + kSlackMm < cell->height) {
    return badLayout("a pitch of " + extent(layout.m_pitch.first, layout.m_pitch.second) +
                     " is smaller than the cells, " + extent(cell->width, cell->height) + ", which would overlap");
  }
  const double gridWidth = (grid.columns - 1) * layout.m_pitch.first + cell->width;
  const double gridHeight = (grid.rows - 1) * layout.m_pitch.second + cell->height;
  // With a cell size and no margin the grid is centred, as label makers'
  // sheets are.
  layout.m_origin = margin ? *margin
                           : settings.cell() ? SheetPair{(paper.height - gridHeight) / 2, (paper.width - gridWidth) / 2}
                                             : SheetPair{};
  const SheetPair edge = margin.value_or(SheetPair{});
  if (edge.second + gridWidth > paper.width + kSlackMm || edge.first + gridHeight > paper.height + kSlackMm) {
    return badLayout("a grid of " + std::to_string(grid.columns) + "x" + std::to_string(grid.rows) + " cells of " +
                     extent(cell->width, cell->height) + " needs " +
                     extent(edge.second + gridWidth, edge.first + gridHeight) +
                     (margin ? " with its margins" : "") + ", more than the " + extent(paper.width, paper.height) +
                     " page");
  }
  const int skip = settings.skip();
  if (skip < 0 || static_cast<size_t>(skip) >= layout.cellsPerPage()) {
    return badLayout("skipping " + std::to_string(skip) + " cells: a page of " + std::to_string(grid.columns) + "x" +
                     std::to_string(grid.rows) + " has " + std::to_string(layout.cellsPerPage()) +
                     " cells, so from 0 to " + std::to_string(layout.cellsPerPage() - 1) + " can be skipped");
  }
  layout.m_skip = static_cast<size_t>(skip);
  return layout;
}

SheetCell SheetLayout::pageCell(size_t page, size_t index) const {
  const size_t column = index % static_cast<size_t>(m_grid.columns);
  const size_t row = index / static_cast<size_t>(m_grid.columns);
  return SheetCell{page, m_origin.second + static_cast<double>(column) * m_pitch.first,
                   m_origin.first + static_cast<double>(row) * m_pitch.second, m_cell.width, m_cell.height};
}

SheetCell SheetLayout::labelCell(size_t index) const {
  const size_t cell = m_skip + index;
  return pageCell(cell / cellsPerPage(), cell % cellsPerPage());
}

size_t SheetLayout::pages(size_t labels) const {
  return labels == 0 ? 1 : (m_skip + labels + cellsPerPage() - 1) / cellsPerPage();
}

}  // namespace dexmora
