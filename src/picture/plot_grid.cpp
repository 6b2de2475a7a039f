// Extent, binning and shades of the selection picture's density maps.
#include "picture/plot_grid.h"

#include <algorithm>
#include <cmath>

namespace picture {
namespace {

DensityGrid emptyGrid(int columns, int rows) {
  DensityGrid grid;
  grid.columns = columns;
  grid.rows = rows;
  grid.counts.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
  return grid;
}

// Cells along a side of `length` nm: whole cells covering it, the tiny excess of a quotient
// that should be whole (the longest side) not counted as one more cell.
int cellsFor(double length, double cell) {
  return std::max(1, static_cast<int>(std::ceil(length / cell - 1e-9)));
}

}  // namespace

CoordinateBounds coordinateBounds(const frames::AtomTable& table) {
  CoordinateBounds bounds;
  bounds.low.fill(INFINITY);
  bounds.high.fill(-INFINITY);
  for (std::size_t i = 0; i < table.size; ++i) {
    const frames::AtomRecord& record = table.records[i];
    const float position[3] = {record.x, record.y, record.z};
    for (int a = 0; a < 3; ++a) {
      const double value = position[a];
      if (!std::isfinite(value)) continue;
      bounds.low[a] = std::min(bounds.low[a], value);
      bounds.high[a] = std::max(bounds.high[a], value);
    }
  }
  for (int a = 0; a < 3; ++a) bounds.found[a] = bounds.low[a] <= bounds.high[a];
  return bounds;
}

Extent drawnExtent(const CoordinateBounds& bounds, int cellsOnLongestSide) {
  std::array<double, 3> low{};
  std::array<double, 3> span{};
  double longest = 0;
  for (int a = 0; a < 3; ++a) {
    low[a] = bounds.found[a] ? bounds.low[a] : 0.0;
    span[a] = bounds.found[a] ? bounds.high[a] - bounds.low[a] : 1.0;
    longest = std::max(longest, span[a]);
  }
  const double margin = std::max(kMarginShare * longest, kMinimumMargin);
  double longestSide = 0;
  for (int a = 0; a < 3; ++a) longestSide = std::max(longestSide, span[a] + 2 * margin);

  Extent extent;
  extent.cell = longestSide / cellsOnLongestSide;
  for (int a = 0; a < 3; ++a) {
    extent.low[a] = low[a] - margin;
    extent.cells[a] = cellsFor(span[a] + 2 * margin, extent.cell);
    extent.high[a] = extent.low[a] + extent.cells[a] * extent.cell;
  }
  return extent;
}

std::uint32_t DensityGrid::largest() const {
  return counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
}

int cellIndex(double value, double low, double perCell, int cells) {
  const double offset = (value - low) * perCell;
  // Written so that a NaN fails the test.
  if (!(offset >= 0 && offset < cells)) return -1;
  return static_cast<int>(offset);
}

SelectionDensity::SelectionDensity(const Extent& extent) : extent_(extent) {
  for (Layer layer : {Layer::All, Layer::Selected}) {
    for (View view : kViews) {
      const ViewAxes axes = axesOf(view);
      grids_[index(layer, view)] = emptyGrid(extent.cells[axes.across], extent.cells[axes.up]);
    }
  }
}

void SelectionDensity::add(Layer layer, float x, float y, float z) {
  const double perCell = 1 / extent_.cell;
  const int cell[3] = {
      cellIndex(x, extent_.low[0], perCell, extent_.cells[0]),
      cellIndex(y, extent_.low[1], perCell, extent_.cells[1]),
      cellIndex(z, extent_.low[2], perCell, extent_.cells[2]),
  };
  for (View view : kViews) {
    const ViewAxes axes = axesOf(view);
    const int column = cell[axes.across];
    const int row = cell[axes.up];
    if (column < 0 || row < 0) continue;
    DensityGrid& grid = grids_[index(layer, view)];
    ++grid.counts[static_cast<std::size_t>(row) * static_cast<std::size_t>(grid.columns) +
                  static_cast<std::size_t>(column)];
  }
}

void SelectionDensity::addAll(const frames::AtomTable& table) {
  for (std::size_t i = 0; i < table.size; ++i) {
    const frames::AtomRecord& record = table.records[i];
    add(Layer::All, record.x, record.y, record.z);
  }
}

SelectionDensity SelectionDensity::coarsened() const {
  Extent wider = extent_;
  wider.cell = 2 * extent_.cell;
  for (int a = 0; a < 3; ++a) {
    wider.cells[a] = (extent_.cells[a] + 1) / 2;
    wider.high[a] = wider.low[a] + wider.cells[a] * wider.cell;
  }
  SelectionDensity result(wider);
  for (std::size_t g = 0; g < grids_.size(); ++g) {
    const DensityGrid& fine = grids_[g];
    DensityGrid& coarse = result.grids_[g];
    for (int row = 0; row < fine.rows; ++row) {
      for (int column = 0; column < fine.columns; ++column) {
        coarse.counts[static_cast<std::size_t>(row / 2) * static_cast<std::size_t>(coarse.columns) +
                      static_cast<std::size_t>(column / 2)] += fine.at(column, row);
      }
    }
  }
  return result;
}

int densityLevel(std::uint32_t count, std::uint32_t largest, int levels) {
  if (count == 0) return 0;
  if (largest <= 1) return levels;
  const double share =
      std::log(static_cast<double>(count)) / std::log(static_cast<double>(largest));
  return 1 + std::min(levels - 1, static_cast<int>(std::floor((levels - 1) * share)));
}

}  // namespace picture
