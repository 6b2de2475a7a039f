// Extent, binning and shades of the selection picture's density maps.
#include "picture/plot_grid.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/platform.h"

namespace picture {
namespace {

DensityGrid emptyGrid(int columns, int rows) {
  DensityGrid grid;
  grid.columns = columns;
  grid.rows = rows;
  const std::size_t cells = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  // A picture's grids are fresh memory every time its cells grow: made present in one call
  // before they are zeroed, not faulted page by page.
  grid.counts.reserve(cells);
  platform::preparePages(grid.counts.data(), cells * sizeof(std::uint32_t));
  grid.counts.assign(cells, 0);
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

// x, y, z and vx of a record, four floats in a row: the lanes of a register.
const float* positionOf(const frames::AtomRecord& record) {
  return reinterpret_cast<const float*>(reinterpret_cast<const char*>(&record) +
                                        offsetof(frames::AtomRecord, x));
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
    const __m128 p = _mm_loadu_ps(positionOf(table.records[i]));
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

namespace {

// Edges from 2^-24 to 2^8 nm and grids up to 2^20 cells from 0: a position's scaled value
// then has no cell once it is past the int range (its lanes in addAll give none either).
constexpr int kSmallestEdgeExponent = -24;
constexpr int kLargestEdgeExponent = 8;
constexpr double kFarthestCell = 1 << 20;

int integerCell(float value, const CellMap& map, int axis) {
  const float scaled = value * map.scale;
  if (!(scaled > -2147483648.0f && scaled < 2147483648.0f)) return -1;
  auto whole = static_cast<std::int32_t>(scaled);
  if (static_cast<float>(whole) > scaled) --whole;  // the floor of a negative value
  const std::int64_t cell = static_cast<std::int64_t>(whole >> map.shift) - map.first[axis];
  return cell >= 0 && cell < map.cells[axis] ? static_cast<int>(cell) : -1;
}

#if defined(__SSE2__)
// The bounds in lanes x, y, z (vx unused) that min and max kept while NaNs left them alone;
// where an infinity got past, the exact bounds take a walk of their own.
CoordinateBounds laneBounds(__m128 low, __m128 high, const frames::AtomTable& table) {
  std::array<float, 4> lows{};
  std::array<float, 4> highs{};
  _mm_storeu_ps(lows.data(), low);
  _mm_storeu_ps(highs.data(), high);
  CoordinateBounds bounds;
  for (int a = 0; a < 3; ++a) {
    if (lows[a] == -INFINITY || highs[a] == INFINITY) return coordinateBounds(table);
    bounds.low[a] = lows[a];
    bounds.high[a] = highs[a];
    bounds.found[a] = lows[a] <= highs[a];
  }
  return bounds;
}
#endif

#if defined(__x86_64__)
// Two records at a time in the eight lanes of an AVX2 register, integerCell's operations on
// both; then each view's cell (index into its grid) and whether it counts, from lanes that
// stand for the views (across: x, x, y; up: y, z, z). A cell that does not count adds 0 to
// the first cell of its grid. A last odd record goes through integerCell itself.
__attribute__((target("avx2"))) CoordinateBounds countWide(
    const frames::AtomTable& table, const CellMap& map, const std::array<std::uint32_t*, 3>& grids,
    std::uint32_t nx, std::uint32_t ny) {
  const __m256 scale = _mm256_set1_ps(map.scale);
  const __m128i shift = _mm_cvtsi32_si128(map.shift);
  const __m256i first = _mm256_setr_epi32(map.first[0], map.first[1], map.first[2], 0, map.first[0],
                                          map.first[1], map.first[2], 0);
  const __m256i sign = _mm256_set1_epi32(INT32_MIN);
  const __m256i limits =
      _mm256_xor_si256(_mm256_setr_epi32(map.cells[0], map.cells[1], map.cells[2], 0, map.cells[0],
                                         map.cells[1], map.cells[2], 0),
                       sign);
  // Rows are `up` * columns: the top and front views have x across, the side view y.
  const auto rowX = static_cast<int>(nx);
  const auto rowY = static_cast<int>(ny);
  const __m256i columns = _mm256_setr_epi32(rowX, rowX, rowY, 0, rowX, rowX, rowY, 0);
  const __m256i one = _mm256_set1_epi32(1);
  __m256 low = _mm256_set1_ps(INFINITY);
  __m256 high = _mm256_set1_ps(-INFINITY);
  alignas(32) std::array<std::uint32_t, 8> cell{};
  alignas(32) std::array<std::uint32_t, 8> counts{};
  const std::size_t pairs = table.size / 2;
  for (std::size_t k = 0; k < pairs; ++k) {
    const __m256 p =
        _mm256_loadu2_m128(positionOf(table.records[2 * k + 1]), positionOf(table.records[2 * k]));
    low = _mm256_min_ps(p, low);
    high = _mm256_max_ps(p, high);
    const __m256 scaled = _mm256_mul_ps(p, scale);
    __m256i whole = _mm256_cvttps_epi32(scaled);
    whole = _mm256_add_epi32(
        whole, _mm256_castps_si256(_mm256_cmp_ps(scaled, _mm256_cvtepi32_ps(whole), _CMP_LT_OQ)));
    const __m256i axis = _mm256_sub_epi32(_mm256_sra_epi32(whole, shift), first);
    const __m256i inside = _mm256_cmpgt_epi32(limits, _mm256_xor_si256(axis, sign));
    const __m256i across = _mm256_shuffle_epi32(axis, _MM_SHUFFLE(3, 1, 0, 0));
    const __m256i up = _mm256_shuffle_epi32(axis, _MM_SHUFFLE(3, 2, 2, 1));
    const __m256i counted = _mm256_and_si256(_mm256_shuffle_epi32(inside, _MM_SHUFFLE(3, 1, 0, 0)),
                                             _mm256_shuffle_epi32(inside, _MM_SHUFFLE(3, 2, 2, 1)));
    const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(up, columns), across);
    _mm256_store_si256(reinterpret_cast<__m256i*>(cell.data()), _mm256_and_si256(index, counted));
    _mm256_store_si256(reinterpret_cast<__m256i*>(counts.data()), _mm256_and_si256(one, counted));
    for (int view = 0; view < 3; ++view) {
      grids[view][cell[view]] += counts[view];
      grids[view][cell[view + 4]] += counts[view + 4];
    }
  }
  if (table.size % 2 != 0) {
    const frames::AtomRecord& last = table.records[table.size - 1];
    const std::array<int, 3> c = {integerCell(last.x, map, 0), integerCell(last.y, map, 1),
                                  integerCell(last.z, map, 2)};
    if (c[0] >= 0 && c[1] >= 0) ++grids[0][std::size_t(c[1]) * nx + std::size_t(c[0])];
    if (c[0] >= 0 && c[2] >= 0) ++grids[1][std::size_t(c[2]) * nx + std::size_t(c[0])];
    if (c[1] >= 0 && c[2] >= 0) ++grids[2][std::size_t(c[2]) * ny + std::size_t(c[1])];
    const __m128 p = _mm_loadu_ps(positionOf(last));
    low = _mm256_min_ps(_mm256_set_m128(p, p), low);
    high = _mm256_max_ps(_mm256_set_m128(p, p), high);
  }
  // The two records' lanes joined (a NaN is gone by now; min and max keep a bound).
  return laneBounds(_mm_min_ps(_mm256_castps256_ps128(low), _mm256_extractf128_ps(low, 1)),
                    _mm_max_ps(_mm256_castps256_ps128(high), _mm256_extractf128_ps(high, 1)),
                    table);
}

bool hasWideLanes() {
  static const bool has = __builtin_cpu_supports("avx2") != 0;
  return has;
}
#endif

}  // namespace

CellMap cellMapOf(const Extent& extent) {
  CellMap map;
  map.cells = extent.cells;
  map.low = extent.low;
  map.perCell = 1 / extent.cell;
  int exponent = 0;
  if (std::frexp(extent.cell, &exponent) != 0.5) return map;  // not a power of two
  const int edge = exponent - 1;                              // the edge is 2^edge nm
  if (edge < kSmallestEdgeExponent || edge > kLargestEdgeExponent) return map;
  for (int a = 0; a < 3; ++a) {
    const double first = extent.low[a] / extent.cell;
    if (first != std::floor(first) || std::fabs(first) > kFarthestCell || extent.cells[a] < 0 ||
        extent.cells[a] > kFarthestCell) {
      return map;
    }
    map.first[a] = static_cast<int>(first);
  }
  map.scale = static_cast<float>(std::ldexp(1.0, std::max(0, -edge)));
  map.shift = std::max(0, edge);
  map.integer = true;
  return map;
}

std::array<int, 3> cellsOf(const CellMap& map, float x, float y, float z) {
  if (map.integer) return {integerCell(x, map, 0), integerCell(y, map, 1), integerCell(z, map, 2)};
  return {cellIndex(x, map.low[0], map.perCell, map.cells[0]),
          cellIndex(y, map.low[1], map.perCell, map.cells[1]),
          cellIndex(z, map.low[2], map.perCell, map.cells[2])};
}

SelectionDensity::SelectionDensity(const Extent& extent, bool withSelected)
    : extent_(extent), map_(cellMapOf(extent)) {
  for (Layer layer : {Layer::All, Layer::Selected}) {
    if (layer == Layer::Selected && !withSelected) break;
    for (View view : kViews) {
      const ViewAxes axes = axesOf(view);
      grids_[index(layer, view)] = emptyGrid(extent.cells[axes.across], extent.cells[axes.up]);
    }
  }
}

void SelectionDensity::add(Layer layer, float x, float y, float z) {
  const std::array<int, 3> cell = cellsOf(map_, x, y, z);
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

CoordinateBounds SelectionDensity::addAll(const frames::AtomTable& table, bool widest) {
  // add() for every record, with what does not change from one atom to the next taken out of
  // the loop: every atom of a file passes here.
  std::uint32_t* const top = grids_[index(Layer::All, View::Top)].counts.data();
  std::uint32_t* const front = grids_[index(Layer::All, View::Front)].counts.data();
  std::uint32_t* const side = grids_[index(Layer::All, View::Side)].counts.data();
  const auto nx = static_cast<std::size_t>(extent_.cells[0]);
  const auto ny = static_cast<std::size_t>(extent_.cells[1]);
#if defined(__x86_64__)
  // A cell that does not count adds 0 to the first cell of its grid: every grid needs one.
  const bool everyGrid = extent_.cells[0] > 0 && extent_.cells[1] > 0 && extent_.cells[2] > 0;
  if (widest && map_.integer && everyGrid && hasWideLanes()) {
    const std::array<std::uint32_t*, 3> grids = {top, front, side};
    return countWide(table, map_, grids, static_cast<std::uint32_t>(nx),
                     static_cast<std::uint32_t>(ny));
  }
#else
  (void)widest;
#endif
#if defined(__SSE2__)
  if (map_.integer) {
    // x, y, z (and vx, which has no cells) in the four lanes of a register: integerCell's
    // operations on all of them at once, and the bounds as they pass. min and max keep their
    // second operand when the first is a NaN, so a NaN leaves a bound alone.
    const __m128 scale = _mm_set1_ps(map_.scale);
    const __m128i shift = _mm_cvtsi32_si128(map_.shift);
    const __m128i first = _mm_set_epi32(0, map_.first[2], map_.first[1], map_.first[0]);
    // 0 <= cell < cells as one signed comparison, with both sides moved by 2^31.
    const __m128i sign = _mm_set1_epi32(INT32_MIN);
    const __m128i limits =
        _mm_xor_si128(_mm_set_epi32(0, map_.cells[2], map_.cells[1], map_.cells[0]), sign);
    __m128 low = _mm_set1_ps(INFINITY);
    __m128 high = _mm_set1_ps(-INFINITY);
    for (std::size_t i = 0; i < table.size; ++i) {
      const __m128 p = _mm_loadu_ps(positionOf(table.records[i]));
      low = _mm_min_ps(p, low);
      high = _mm_max_ps(p, high);
      const __m128 scaled = _mm_mul_ps(p, scale);
      __m128i whole = _mm_cvttps_epi32(scaled);
      whole = _mm_add_epi32(whole, _mm_castps_si128(_mm_cmplt_ps(scaled, _mm_cvtepi32_ps(whole))));
      const __m128i cell = _mm_sub_epi32(_mm_sra_epi32(whole, shift), first);
      const int inside =
          _mm_movemask_ps(_mm_castsi128_ps(_mm_cmplt_epi32(_mm_xor_si128(cell, sign), limits)));
      const auto cx = static_cast<std::uint32_t>(_mm_cvtsi128_si32(cell));
      const auto cy = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(cell, 1)));
      const auto cz = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(cell, 2)));
      if ((inside & 3) == 3) ++top[std::size_t{cy} * nx + cx];
      if ((inside & 5) == 5) ++front[std::size_t{cz} * nx + cx];
      if ((inside & 6) == 6) ++side[std::size_t{cz} * ny + cy];
    }
    return laneBounds(low, high, table);
  }
  // cellIndex's operations in double precision, x and y, then z, in the two lanes of a
  // register, and the same comparisons (a NaN fails them).
  const double perCell = map_.perCell;
  const std::array<double, 3> low = extent_.low;
  const std::array<int, 3> cells = extent_.cells;
  const __m128d lowXY = _mm_set_pd(low[1], low[0]);
  const __m128d lowZ = _mm_set_sd(low[2]);
  const __m128d per = _mm_set1_pd(perCell);
  const __m128d cellsXY = _mm_set_pd(cells[1], cells[0]);
  const __m128d cellsZ = _mm_set_sd(cells[2]);  // the other lane (vx) never counts
  const __m128d zero = _mm_setzero_pd();
  for (std::size_t i = 0; i < table.size; ++i) {
    const __m128 p = _mm_loadu_ps(positionOf(table.records[i]));
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
    const std::array<int, 3> cell = cellsOf(map_, record.x, record.y, record.z);
    const auto cx = static_cast<std::size_t>(cell[0]);
    const auto cy = static_cast<std::size_t>(cell[1]);
    const auto cz = static_cast<std::size_t>(cell[2]);
    if (cell[0] >= 0 && cell[1] >= 0) ++top[cy * nx + cx];
    if (cell[0] >= 0 && cell[2] >= 0) ++front[cz * nx + cx];
    if (cell[1] >= 0 && cell[2] >= 0) ++side[cz * ny + cy];
  }
#endif
  return coordinateBounds(table);
}

void SelectionDensity::addLeftOut(const frames::AtomTable& table, const Extent& before) {
  const CellMap was = cellMapOf(before);
  for (std::size_t i = 0; i < table.size; ++i) {
    const frames::AtomRecord& record = table.records[i];
    const std::array<int, 3> then = cellsOf(was, record.x, record.y, record.z);
    const std::array<int, 3> now = cellsOf(map_, record.x, record.y, record.z);
    for (View view : kViews) {
      const ViewAxes axes = axesOf(view);
      if (then[axes.across] >= 0 && then[axes.up] >= 0) continue;  // counted then
      if (now[axes.across] < 0 || now[axes.up] < 0) continue;
      DensityGrid& grid = grids_[index(Layer::All, view)];
      ++grid.counts[static_cast<std::size_t>(now[axes.up]) *
                        static_cast<std::size_t>(grid.columns) +
                    static_cast<std::size_t>(now[axes.across])];
    }
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
  SelectionDensity regridded(next, /*withSelected=*/false);
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
  // Counted into the grids as they are, which gives the chunk's bounds; atoms that fell
  // outside them are counted again once the grids are widened.
  const Extent before = gathered_.extent();
  CoordinateBounds wider = bounds_;
  widenBounds(wider, gathered_.addAll(chunk));
  bounds_ = wider;
  if (covers(wider)) return;
  regrid(wider);
  // Before the first grids nothing was counted: all of the chunk is left out.
  if (before.cells == std::array<int, 3>{}) {
    gathered_.addAll(chunk);
  } else {
    gathered_.addLeftOut(chunk, before);
  }
}

void StreamedDensity::add(Layer layer, float x, float y, float z) {
  if (!final_ && layer == Layer::Selected) {
    final_.emplace(drawnExtent(bounds_));
    final_->addNested(gathered_);
    gathered_ = SelectionDensity(Extent{{}, {}, {}, 1.0}, false);
  }
  (final_ ? *final_ : gathered_).add(layer, x, y, z);
}

SelectionDensity StreamedDensity::finish() {
  if (final_) return std::move(*final_);
  SelectionDensity result(drawnExtent(bounds_));
  result.addNested(gathered_);
  return result;
}

}  // namespace picture
