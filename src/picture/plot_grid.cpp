// Extent, binning and shades of the selection picture's density maps.
#include "picture/plot_grid.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace picture {
namespace {

DensityGrid emptyGrid(int columns, int rows) {
  DensityGrid grid;
  grid.columns = columns;
  grid.rows = rows;
  grid.counts.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
  return grid;
}

// The smallest power of two at least `length` / `cells`.
double powerOfTwoCell(double length, int cells) {
  int exponent = 0;
  const double mantissa = std::frexp(length / cells, &exponent);  // in [0.5, 1)
  return std::ldexp(1.0, mantissa == 0.5 ? exponent - 1 : exponent);
}

// The sides of the drawn extent before they are cut into cells: the bounds (an axis without
// finite values spanning 0..unfoundSpan nm), the margin every side gets, and the cell's edge.
struct Sides {
  std::array<double, 3> low{};
  std::array<double, 3> high{};
  double margin = 0;
  double cell = 0;
};

Sides sidesOf(const CoordinateBounds& bounds, double unfoundSpan, int cellsOnLongestSide) {
  Sides sides;
  double longest = 0;
  for (int a = 0; a < 3; ++a) {
    sides.low[a] = bounds.found[a] ? bounds.low[a] : 0.0;
    sides.high[a] = bounds.found[a] ? bounds.high[a] : unfoundSpan;
    longest = std::max(longest, sides.high[a] - sides.low[a]);
  }
  sides.margin = std::max(kMarginShare * longest, kMinimumMargin);
  sides.cell = powerOfTwoCell(longest + 2 * sides.margin, cellsOnLongestSide);
  return sides;
}

}  // namespace

CoordinateBounds coordinateBounds(const frames::AtomTable& table) {
  CoordinateBounds bounds;
  bounds.low.fill(INFINITY);
  bounds.high.fill(-INFINITY);
#if defined(__SSE2__)
  // x, y, z (and vx, unused) of a record in one register: every atom of a file passes here.
  // A value that is not finite becomes the infinity that leaves its bound alone.
  __m128 low = _mm_set1_ps(INFINITY);
  __m128 high = _mm_set1_ps(-INFINITY);
  for (std::size_t i = 0; i < table.size; ++i) {
    const char* const record = reinterpret_cast<const char*>(table.records + i);
    const __m128 p =
        _mm_loadu_ps(reinterpret_cast<const float*>(record + offsetof(frames::AtomRecord, x)));
    const __m128 finite = _mm_cmpeq_ps(_mm_sub_ps(p, p), _mm_setzero_ps());
    const __m128 kept = _mm_and_ps(finite, p);
    low = _mm_min_ps(low, _mm_or_ps(kept, _mm_andnot_ps(finite, _mm_set1_ps(INFINITY))));
    high = _mm_max_ps(high, _mm_or_ps(kept, _mm_andnot_ps(finite, _mm_set1_ps(-INFINITY))));
  }
  float lows[4];
  float highs[4];
  _mm_storeu_ps(lows, low);
  _mm_storeu_ps(highs, high);
  for (int a = 0; a < 3; ++a) {
    bounds.low[a] = lows[a];
    bounds.high[a] = highs[a];
  }
#else
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
#endif
  for (int a = 0; a < 3; ++a) bounds.found[a] = bounds.low[a] <= bounds.high[a];
  return bounds;
}

Extent drawnExtent(const CoordinateBounds& bounds, int cellsOnLongestSide) {
  const Sides sides = sidesOf(bounds, 1.0, cellsOnLongestSide);
  Extent extent;
  extent.cell = sides.cell;
  for (int a = 0; a < 3; ++a) {
    const double first = std::floor((sides.low[a] - sides.margin) / sides.cell);
    const double last = std::ceil((sides.high[a] + sides.margin) / sides.cell);
    extent.low[a] = first * sides.cell;
    extent.cells[a] = std::max(1, static_cast<int>(last - first));
    extent.high[a] = extent.low[a] + extent.cells[a] * extent.cell;
  }
  return extent;
}

void widenBounds(CoordinateBounds& into, const CoordinateBounds& part) {
  for (int a = 0; a < 3; ++a) {
    if (!part.found[a]) continue;
    into.low[a] = into.found[a] ? std::min(into.low[a], part.low[a]) : part.low[a];
    into.high[a] = into.found[a] ? std::max(into.high[a], part.high[a]) : part.high[a];
    into.found[a] = true;
  }
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
  // add() for every record, with what does not change from one atom to the next taken out of
  // the loop: every atom of a file passes here.
  const double perCell = 1 / extent_.cell;
  std::uint32_t* const top = grids_[index(Layer::All, View::Top)].counts.data();
  std::uint32_t* const front = grids_[index(Layer::All, View::Front)].counts.data();
  std::uint32_t* const side = grids_[index(Layer::All, View::Side)].counts.data();
  // Copies: the counts written in the loop could otherwise be the extent for all the
  // compiler knows, and it would read the extent again for every atom.
  const std::array<double, 3> low = extent_.low;
  const std::array<int, 3> cells = extent_.cells;
  const auto nx = static_cast<std::size_t>(cells[0]);
  const auto ny = static_cast<std::size_t>(cells[1]);
#if defined(__SSE2__)
  // x and y, then z, in the two lanes of a register: the same operations in double precision
  // as cellIndex, and the same comparisons (a NaN fails them), half the instructions.
  const __m128d lowXY = _mm_set_pd(low[1], low[0]);
  const __m128d lowZ = _mm_set_sd(low[2]);
  const __m128d per = _mm_set1_pd(perCell);
  const __m128d cellsXY = _mm_set_pd(cells[1], cells[0]);
  const __m128d cellsZ = _mm_set_sd(cells[2]);  // the other lane (vx) never counts
  const __m128d zero = _mm_setzero_pd();
  for (std::size_t i = 0; i < table.size; ++i) {
    const char* const record = reinterpret_cast<const char*>(table.records + i);
    const __m128 p =
        _mm_loadu_ps(reinterpret_cast<const float*>(record + offsetof(frames::AtomRecord, x)));
    const __m128d xy = _mm_mul_pd(_mm_sub_pd(_mm_cvtps_pd(p), lowXY), per);
    const __m128d z = _mm_mul_pd(_mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(p, p)), lowZ), per);
    const auto inside = [zero](__m128d offsets, __m128d cellCounts) {
      return _mm_movemask_pd(
          _mm_and_pd(_mm_cmpge_pd(offsets, zero), _mm_cmplt_pd(offsets, cellCounts)));
    };
    const int insideXY = inside(xy, cellsXY);
    const bool insideZ = (inside(z, cellsZ) & 1) != 0;
    const __m128i cellXY = _mm_cvttpd_epi32(xy);
    const auto cx = static_cast<std::size_t>(_mm_cvtsi128_si32(cellXY));
    const auto cy = static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(cellXY, 1)));
    const auto cz = static_cast<std::size_t>(_mm_cvttsd_si32(z));
    if (insideXY == 3) ++top[cy * nx + cx];
    if ((insideXY & 1) != 0 && insideZ) ++front[cz * nx + cx];
    if ((insideXY & 2) != 0 && insideZ) ++side[cz * ny + cy];
  }
#else
  for (std::size_t i = 0; i < table.size; ++i) {
    const frames::AtomRecord& record = table.records[i];
    const int x = cellIndex(record.x, low[0], perCell, cells[0]);
    const int y = cellIndex(record.y, low[1], perCell, cells[1]);
    const int z = cellIndex(record.z, low[2], perCell, cells[2]);
    const auto cx = static_cast<std::size_t>(x);
    const auto cy = static_cast<std::size_t>(y);
    const auto cz = static_cast<std::size_t>(z);
    if (x >= 0 && y >= 0) ++top[cy * nx + cx];
    if (x >= 0 && z >= 0) ++front[cz * nx + cx];
    if (y >= 0 && z >= 0) ++side[cz * ny + cy];
  }
#endif
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

void SelectionDensity::addNested(const SelectionDensity& finer) {
  const Extent& from = finer.extent_;
  const double perCell = 1 / extent_.cell;
  for (std::size_t g = 0; g < grids_.size(); ++g) {
    const ViewAxes axes = axesOf(kViews[g % 3]);
    const DensityGrid& source = finer.grids_[g];
    DensityGrid& target = grids_[g];
    for (int row = 0; row < source.rows; ++row) {
      // A cell's centre: well inside the one cell here that holds the whole of it.
      const int up = cellIndex(from.low[axes.up] + (row + 0.5) * from.cell, extent_.low[axes.up],
                               perCell, extent_.cells[axes.up]);
      for (int column = 0; column < source.columns; ++column) {
        const std::uint32_t count = source.at(column, row);
        if (count == 0) continue;
        const int across = cellIndex(from.low[axes.across] + (column + 0.5) * from.cell,
                                     extent_.low[axes.across], perCell, extent_.cells[axes.across]);
        if (across < 0 || up < 0) continue;
        target.counts[static_cast<std::size_t>(up) * static_cast<std::size_t>(target.columns) +
                      static_cast<std::size_t>(across)] += count;
      }
    }
  }
}

void StreamedDensity::regrid(const CoordinateBounds& wider) {
  // Unfound axes count as flat here, so that the edge only grows as atoms come and stays at
  // most the final picture's edge: the cells gathered nest in the final ones.
  const double cell = sidesOf(wider, 0.0, kCellsOnLongestSide).cell;
  Extent next;
  next.cell = cell;
  for (int a = 0; a < 3; ++a) {
    if (!wider.found[a]) continue;
    double first = std::floor(wider.low[a] / cell);
    double last = std::floor(wider.high[a] / cell);
    // No axis grows past kCellsOnLongestSide cells before the edge doubles: room for that
    // on either side spares growing the grids (fresh memory) chunk after chunk as a file's
    // atoms spread.
    const double room = std::max(0.0, kCellsOnLongestSide - (last - first));
    first -= room;
    last += room;
    next.low[a] = first * cell;
    next.cells[a] = static_cast<int>(last - first) + 1;
    next.high[a] = next.low[a] + next.cells[a] * cell;
  }
  SelectionDensity regridded(next);
  regridded.addNested(gathered_);
  gathered_ = std::move(regridded);
}

bool StreamedDensity::covers(const CoordinateBounds& wider) const {
  // Finer cells than the bounds now call for are no fault: they still nest in the final ones.
  const Extent& grids = gathered_.extent();
  for (int a = 0; a < 3; ++a) {
    if (wider.found[a] &&
        (grids.cells[a] == 0 || wider.low[a] < grids.low[a] || wider.high[a] >= grids.high[a])) {
      return false;
    }
  }
  return true;
}

void StreamedDensity::addAll(const frames::AtomTable& chunk) {
  CoordinateBounds wider = bounds_;
  widenBounds(wider, coordinateBounds(chunk));
  if (!covers(wider)) regrid(wider);
  bounds_ = wider;
  gathered_.addAll(chunk);
}

void StreamedDensity::add(Layer layer, float x, float y, float z) { gathered_.add(layer, x, y, z); }

SelectionDensity StreamedDensity::finish() const {
  SelectionDensity result(drawnExtent(bounds_));
  result.addNested(gathered_);
  return result;
}

}  // namespace picture
