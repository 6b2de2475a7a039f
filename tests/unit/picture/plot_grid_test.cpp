// Density maps of the selection picture: bounds without NaN, the drawn extent cut into
// cells, the cell of a coordinate, the orientation of the three views, coarsening, the grids
// gathered chunk by chunk and the logarithmic shades.
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
  // Worked by hand: margin = max(0.02 * longest span, 0.05); cell = the smallest power of two
  // at least longest side / 150; each side from a multiple of the cell at or below
  // low - margin to one at or above high + margin.
  const Case cases[] = {
      // spans 3, 1, 2: margin 0.06, longest side 3.12, 0.0208 -> 1/32; -0.06 -> -2/32;
      // 3.06, 1.06, 2.06 -> 98, 34, 66 cells of 1/32.
      {"spans 3, 1, 2",
       {{0, 0, 0}, {3, 1, 2}, {true, true, true}},
       {-0.0625, -0.0625, -0.0625},
       0.03125,
       {100, 36, 68}},
      // span 1: margin 0.05 (more than 0.02), side 1.1, 0.00733 -> 1/128; 1.95 -> 249/128,
      // 3.05 -> 391/128.
      {"small system",
       {{2, 2, 2}, {3, 3, 3}, {true, true, true}},
       {249 / 128.0, 249 / 128.0, 249 / 128.0},
       1 / 128.0,
       {142, 142, 142}},
      // spans 2, 0 and none (0..1): margin 0.05; longest side 2.1, 0.014 -> 1/64;
      // x -1.05..1.05 -> -68..68, y 4.95..5.05 -> 316..324, z -0.05..1.05 -> -4..68.
      {"flat y, no z",
       {{-1, 5, 0}, {1, 5, 0}, {true, true, false}},
       {-68 / 64.0, 316 / 64.0, -4 / 64.0},
       1 / 64.0,
       {136, 8, 72}},
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
        EXPECT_LE(extent.low[a], c.bounds.low[a] - 0.05) << c.what;
        EXPECT_GE(extent.high[a], c.bounds.high[a] + 0.05) << c.what;
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

// Gathered a chunk at a time while the bounds widen (the cells doubling many times, an axis
// found late), the grids are those of the final extent with every atom added to it.
TEST(StreamedDensity, ChunksGiveTheGridsOfTheFinalExtent) {
  const float nan = std::nanf("");
  using Chunks = std::vector<std::vector<frames::AtomRecord>>;
  const Chunks wide = {
      {at(0.01f, 0.02f, nan), at(0.013f, 0.02f, nan)},            // a tiny cluster, no z yet
      {at(0.5f, -0.25f, nan)},                                    // wider, below 0
      {at(0.3f, 0.1f, 0.2f), at(nan, 0.4f, 0.2f)},                // z found, flat
      {at(-7.5f, 3.25f, 9.0f), at(12.0f, -2.0f, -0.5f)},          // cells doubled several times
      {at(1.0f, 1.0f, 1.0f), at(0.0f, 0.0f, 0.0f), at(2, 2, 2)},  // inside: no regrid
      {at(250.0f, 1.0f, 1.0f)},                                   // far out on one axis
      {at(-300.0f, 1.0f, 1.0f)},                                  // past the room below
  };
  // Until z is found it must not count as 1 nm long: the cells would have to shrink.
  const Chunks small = {{at(0.01f, 0.02f, nan), at(0.3f, 0.1f, nan)}, {at(0.2f, 0.05f, 0.5f)}};
  for (const auto& [chunks, reversed] :
       {std::pair(wide, false), std::pair(wide, true), std::pair(small, false)}) {
    std::vector<frames::AtomRecord> all;
    StreamedDensity streamed;
    for (std::size_t k = 0; k < chunks.size(); ++k) {
      const auto& chunk = chunks[reversed ? chunks.size() - 1 - k : k];
      std::vector<frames::AtomRecord> copy = chunk;
      streamed.addAll(testsupport::tableOf(copy));
      all.insert(all.end(), chunk.begin(), chunk.end());
    }
    SelectionDensity expected(drawnExtent(coordinateBounds(testsupport::tableOf(all))));
    for (const frames::AtomRecord& r : all) {
      expected.add(Layer::All, r.x, r.y, r.z);
      if (r.x > 0.2f) {
        expected.add(Layer::Selected, r.x, r.y, r.z);
        streamed.add(Layer::Selected, r.x, r.y, r.z);
      }
    }
    const SelectionDensity got = streamed.finish();
    EXPECT_EQ(got.extent().cell, expected.extent().cell);
    EXPECT_EQ(got.extent().low, expected.extent().low);
    EXPECT_EQ(got.extent().cells, expected.extent().cells);
    for (const Layer layer : {Layer::All, Layer::Selected}) {
      for (const View view : kViews) {
        EXPECT_EQ(got.grid(layer, view).counts, expected.grid(layer, view).counts)
            << "reversed " << reversed << " layer " << int(layer) << " view " << int(view);
      }
    }
  }
}

// Every record of a table counted at once (in the widest lanes or in SSE2's) lands where
// add() puts it alone, and the bounds are coordinateBounds': cell edges, the grid's ends,
// both sides of 0, values far out, NaN and infinities, an odd last record, edges below and
// above 1 nm and an extent whose cells are not a whole number of cells from 0.
TEST(SelectionDensity, AllRecordsAtOnceLandWhereEachAloneLands) {
  const float nan = std::nanf("");
  std::vector<frames::AtomRecord> records;
  const float values[] = {-2.0f,      -1.5f,  -1.0f - 1e-6f, -1e-30f,  -0.0f,     0.0f,    1e-30f,
                          0.2499999f, 0.25f,  0.5f,          2.999f,   3.0f,      3.0001f, 1e9f,
                          -3e9f,      -1e20f, nan,           INFINITY, -INFINITY, 1.75f};
  for (const float x : values) {
    for (const float y : {0.3f, -0.7f, nan, 2.9f})
      records.push_back(at(x, y, values[records.size() % 20]));
  }
  records.push_back(at(0.1f, 0.2f, 0.3f));  // odd count
  Extent quarter = unitCells(16, 8, 12);    // 0.25 nm cells from -1 nm
  quarter.cell = 0.25;
  quarter.low = {-1, -1, -1};
  for (int a = 0; a < 3; ++a) quarter.high[a] = -1 + quarter.cells[a] * 0.25;
  Extent wide = unitCells(3, 5, 4);  // 4 nm cells from -8 nm
  wide.cell = 4;
  wide.low = {-8, -8, -8};
  for (int a = 0; a < 3; ++a) wide.high[a] = -8 + wide.cells[a] * 4.0;
  Extent offset = quarter;  // cells from -0.9 nm: cellIndex's way
  offset.low = {-0.9, -0.9, -0.9};
  for (const Extent& extent : {quarter, wide, offset}) {
    SelectionDensity alone(extent);
    for (const frames::AtomRecord& r : records) alone.add(Layer::All, r.x, r.y, r.z);
    for (const bool widest : {true, false}) {
      SelectionDensity together(extent);
      const CoordinateBounds bounds = together.addAll(testsupport::tableOf(records), widest);
      const CoordinateBounds expected = coordinateBounds(testsupport::tableOf(records));
      EXPECT_EQ(bounds.low, expected.low);
      EXPECT_EQ(bounds.high, expected.high);
      EXPECT_EQ(bounds.found, expected.found);
      for (const View view : kViews) {
        EXPECT_EQ(together.grid(Layer::All, view).counts, alone.grid(Layer::All, view).counts)
            << "edge " << extent.cell << " low " << extent.low[0] << " widest " << widest
            << " view " << int(view);
      }
    }
  }
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
