// Density maps of the selection picture: bounds without NaN, the drawn extent cut into
// cells, the cell of a coordinate, the orientation of the three views, coarsening and the
// logarithmic shades.
#include "picture/plot_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "table_views.h"

namespace picture {
namespace {

frames::AtomRecord at(float x, float y, float z) {
  frames::AtomRecord record{};
  record.x = x;
  record.y = y;
  record.z = z;
  return record;
}

TEST(CoordinateBounds, EachAxisLeavesOutItsOwnNonFiniteValues) {
  const float nan = std::nanf("");
  std::vector<frames::AtomRecord> records = {at(1, nan, 2), at(-1, 4, nan), at(INFINITY, 3, nan),
                                             at(nan, nan, nan)};
  const CoordinateBounds bounds = coordinateBounds(testsupport::tableOf(records));
  EXPECT_EQ(bounds.low[0], -1);
  EXPECT_EQ(bounds.high[0], 1);
  EXPECT_EQ(bounds.low[1], 3);
  EXPECT_EQ(bounds.high[1], 4);
  EXPECT_EQ(bounds.low[2], 2);
  EXPECT_EQ(bounds.high[2], 2);
  EXPECT_TRUE(bounds.found[0] && bounds.found[1] && bounds.found[2]);

  std::vector<frames::AtomRecord> noZ = {at(0, 0, nan)};
  EXPECT_FALSE(coordinateBounds(testsupport::tableOf(noZ)).found[2]);
  std::vector<frames::AtomRecord> none;
  const CoordinateBounds empty = coordinateBounds(testsupport::tableOf(none));
  EXPECT_FALSE(empty.found[0] || empty.found[1] || empty.found[2]);
}

TEST(DrawnExtent, MarginsAndWholeCells) {
  struct Case {
    const char* what;
    CoordinateBounds bounds;
    double low[3];
    double cell;
    int cells[3];
  };
  // Worked by hand: margin = max(0.02 * longest span, 0.05); cell = longest side / 150;
  // cells = side / cell rounded up.
  const Case cases[] = {
      // spans 3, 1, 2: margin 0.06, sides 3.12, 1.12, 2.12, cell 0.0208.
      {"spans 3, 1, 2",
       {{0, 0, 0}, {3, 1, 2}, {true, true, true}},
       {-0.06, -0.06, -0.06},
       0.0208,
       {150, 54, 102}},
      // span 1: margin 0.05 (more than 0.02), side 1.1.
      {"small system",
       {{2, 2, 2}, {3, 3, 3}, {true, true, true}},
       {1.95, 1.95, 1.95},
       1.1 / 150,
       {150, 150, 150}},
      // spans 2, 0 and none (0..1): margin 0.05; sides 2.1, 0.1, 1.1; cell 0.014.
      {"flat y, no z",
       {{-1, 5, 0}, {1, 5, 0}, {true, true, false}},
       {-1.05, 4.95, -0.05},
       0.014,
       {150, 8, 79}},
  };
  for (const Case& c : cases) {
    const Extent extent = drawnExtent(c.bounds);
    EXPECT_NEAR(extent.cell, c.cell, 1e-12) << c.what;
    for (int a = 0; a < 3; ++a) {
      EXPECT_NEAR(extent.low[a], c.low[a], 1e-12) << c.what << " axis " << a;
      EXPECT_EQ(extent.cells[a], c.cells[a]) << c.what << " axis " << a;
      EXPECT_NEAR(extent.high[a], c.low[a] + c.cells[a] * c.cell, 1e-12) << c.what;
      // The atoms lie inside, the margin away from the edges.
      if (c.bounds.found[a]) {
        EXPECT_LE(extent.high[a], c.bounds.high[a] + 0.06 + c.cell);
      }
    }
  }
}

TEST(CellIndex, HalfOpenCellsAndNothingOutside) {
  struct Case {
    double value;
    int cell;
  };
  // Four cells of 0.5 nm from 1.0: [1, 1.5), [1.5, 2), [2, 2.5), [2.5, 3).
  const Case cases[] = {{1.0, 0},   {1.49, 0}, {1.5, 1},           {2.99, 3},      {3.0, -1},
                        {0.99, -1}, {-5, -1},  {std::nan(""), -1}, {INFINITY, -1}, {-INFINITY, -1}};
  for (const Case& c : cases) EXPECT_EQ(cellIndex(c.value, 1.0, 2.0, 4), c.cell) << c.value;
}

Extent unitCells(int nx, int ny, int nz) {
  Extent extent;
  extent.cell = 1;
  extent.cells = {nx, ny, nz};
  extent.high = {double(nx), double(ny), double(nz)};
  return extent;
}

TEST(SelectionDensity, ViewsProjectOntoTheirTwoAxes) {
  SelectionDensity density(unitCells(4, 3, 2));
  density.add(Layer::Selected, 3.5f, 0.5f, 1.5f);
  density.add(Layer::All, 0.5f, std::nanf(""), 0.5f);  // only the front view has both
  struct Case {
    Layer layer;
    View view;
    int columns, rows, column, row;
  };
  const Case cases[] = {
      {Layer::Selected, View::Top, 4, 3, 3, 0},    // x across, y up
      {Layer::Selected, View::Front, 4, 2, 3, 1},  // x across, z up
      {Layer::Selected, View::Side, 3, 2, 0, 1},   // y across, z up
      {Layer::All, View::Front, 4, 2, 0, 0},
  };
  for (const Case& c : cases) {
    const DensityGrid& grid = density.grid(c.layer, c.view);
    EXPECT_EQ(grid.columns, c.columns);
    EXPECT_EQ(grid.rows, c.rows);
    EXPECT_EQ(grid.at(c.column, c.row), 1u);
    EXPECT_EQ(grid.largest(), 1u);
  }
  EXPECT_EQ(density.grid(Layer::All, View::Top).largest(), 0u);
  EXPECT_EQ(density.grid(Layer::All, View::Side).largest(), 0u);
}

TEST(SelectionDensity, CoarsenedSumsTwoByTwoCells) {
  SelectionDensity density(unitCells(5, 3, 2));
  density.add(Layer::All, 0.5f, 0.5f, 0.5f);
  density.add(Layer::All, 1.5f, 1.5f, 0.5f);  // same coarse cell as the first in every view
  density.add(Layer::All, 4.5f, 2.5f, 1.5f);  // the odd last column and row
  const SelectionDensity coarse = density.coarsened();
  EXPECT_EQ(coarse.extent().cell, 2);
  EXPECT_EQ(coarse.extent().cells, (std::array<int, 3>{3, 2, 1}));
  EXPECT_EQ(coarse.extent().high, (std::array<double, 3>{6, 4, 2}));
  const DensityGrid& top = coarse.grid(Layer::All, View::Top);
  EXPECT_EQ(top.columns, 3);
  EXPECT_EQ(top.rows, 2);
  EXPECT_EQ(top.at(0, 0), 2u);
  EXPECT_EQ(top.at(2, 1), 1u);
  const DensityGrid& side = coarse.grid(Layer::All, View::Side);
  EXPECT_EQ(side.at(0, 0), 2u);
  EXPECT_EQ(side.at(1, 0), 1u);
}

TEST(DensityLevel, LogarithmicFromOneAtomToTheFullestCell) {
  struct Case {
    std::uint32_t count, largest;
    int level;
  };
  // 1 + floor(5 * ln(count) / ln(largest)) with six levels.
  const Case cases[] = {
      {0, 100, 0},  {1, 100, 1},   {10, 100, 3},             // ln 10 / ln 100 = 1/2: 1 + 2
      {99, 100, 5}, {100, 100, 6}, {1, 1, 6},    {2, 4, 3},  // 1/2 again
      {3, 4, 4},                                             // 5 * 0.7925 = 3.96
  };
  for (const Case& c : cases) {
    EXPECT_EQ(densityLevel(c.count, c.largest, 6), c.level) << c.count << " of " << c.largest;
  }
}

}  // namespace
}  // namespace picture
