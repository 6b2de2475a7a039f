// The selection picture's SVG: the density runs read back into cells (each cell once, with
// its shade, rows the right way up), the size bound, and the caption's facts.
#include "picture/plot_svg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace picture {
namespace {

Extent unitCells(int nx, int ny, int nz) {
  Extent extent;
  extent.cell = 1;
  extent.cells = {nx, ny, nz};
  extent.high = {double(nx), double(ny), double(nz)};
  return extent;
}

selection::RunState boxState() {
  selection::RunState state;
  state.shape = 1;
  state.parameters.box = {1, 2, 1, 2, 1, 2};
  std::memcpy(state.names.atomName.data(), "OW   ", 5);
  std::memcpy(state.names.residueName.data(), "any  ", 5);
  return state;
}

// The density group of a layer in a view: the n-th "scale(" group after the view's id.
std::string densityGroup(const std::string& svg, const std::string& view, int layer) {
  std::size_t at = svg.find("id=\"" + view + "\"");
  for (int i = 0; i <= layer; ++i) at = svg.find("scale(", at + 1);
  return svg.substr(at, svg.find("</g>", at) - at);
}

// Cells (column, row from the top) of every rectangle of the group, with their fill. Each
// path must be rectangles "M column row h run v1 h -run z" and nothing else.
std::map<std::pair<int, int>, std::string> cellsOf(const std::string& group) {
  std::map<std::pair<int, int>, std::string> cells;
  const std::string open = "<path fill=\"";
  for (std::size_t at = group.find(open); at != std::string::npos; at = group.find(open, at + 1)) {
    const std::string fill = group.substr(at + open.size(), 7);
    const std::size_t d = group.find("d=\"", at) + 3;
    const std::string path = group.substr(d, group.find('"', d) - d);
    const char* cursor = path.c_str();
    while (*cursor != '\0') {
      int column = 0, row = 0, run = 0, back = 0, used = 0;
      const int read = std::sscanf(cursor, "M%d %dh%dv1h-%dz%n", &column, &row, &run, &back, &used);
      if (read != 4 || used == 0) {
        ADD_FAILURE() << "stray path text: " << cursor;
        break;
      }
      EXPECT_EQ(run, back);
      for (int c = column; c < column + run; ++c) {
        EXPECT_TRUE(cells.emplace(std::pair(c, row), fill).second) << "cell drawn twice";
      }
      cursor += used;
    }
  }
  return cells;
}

TEST(PlotSvg, RunsCoverEveryCellOnceWithItsShade) {
  // Front view 6 x 4 cells; counts differ along the rows and a run ends at the row's end.
  SelectionDensity density(unitCells(6, 1, 4));
  const int counts[4][6] = {{1, 1, 1, 0, 50, 50},
                            {0, 0, 7, 7, 7, 7},
                            {50, 0, 50, 0, 1, 1},
                            {0, 0, 0, 0, 0, 2}};  // row 0 is the lowest z
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 6; ++column) {
      for (int n = 0; n < counts[row][column]; ++n) {
        density.add(Layer::All, column + 0.5f, 0.5f, row + 0.5f);
      }
    }
  }
  const std::string svg = plotSvg(density, boxState(), {"f.gro", "", 0});
  const auto cells = cellsOf(densityGroup(svg, "front", 0));
  std::map<int, std::string> fillOfLevel;
  std::map<std::string, int> levelOfFill;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 6; ++column) {
      // Drawn rows count from the top.
      const auto cell = cells.find({column, 3 - row});
      const int level = densityLevel(static_cast<std::uint32_t>(counts[row][column]), 50, 6);
      if (level == 0) {
        EXPECT_EQ(cell, cells.end()) << column << "," << row;
        continue;
      }
      ASSERT_NE(cell, cells.end()) << column << "," << row;
      // One fill per level, and different levels never share one.
      EXPECT_EQ(fillOfLevel.emplace(level, cell->second).first->second, cell->second);
      EXPECT_EQ(levelOfFill.emplace(cell->second, level).first->second, level);
    }
  }
  // Counts 1 and 2 share level 1 (5 ln 2 / ln 50 < 1), 7 is level 3, 50 level 6.
  EXPECT_EQ(fillOfLevel.size(), 3u);
  // Nothing selected: the view holds the grey layer only.
  const std::size_t front = svg.find("id=\"front\"");
  const std::string view = svg.substr(front, svg.find("id=\"side\"") - front);
  EXPECT_EQ(view.find("scale("), view.rfind("scale("));
}

TEST(PlotSvg, CellsThatVaryEveryStepAreCoarsenedUnderTheLimit) {
  // A checkerboard of 1 and 100 atoms in the top and front views: every cell its own run.
  const int n = 40;
  SelectionDensity density(unitCells(n, n, n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const int atoms = (i + j) % 2 == 0 ? 1 : 100;
      for (int k = 0; k < atoms; ++k) density.add(Layer::All, i + 0.5f, j + 0.5f, j + 0.5f);
    }
  }
  const std::string fine = plotSvg(density, boxState(), {"f.gro", "", 0}, SIZE_MAX);
  EXPECT_EQ(cellsOf(densityGroup(fine, "top", 0)).size(), std::size_t{n * n});
  const std::size_t limit = fine.size() / 2;
  const std::string bounded = plotSvg(density, boxState(), {"f.gro", "", 0}, limit);
  EXPECT_LT(bounded.size(), limit);
  // 2 x 2 cells each hold 1 + 1 + 100 + 100 atoms: one shade, one run per row of 20.
  const auto coarse = cellsOf(densityGroup(bounded, "top", 0));
  EXPECT_EQ(coarse.size(), std::size_t{n * n / 4});
  EXPECT_EQ(std::count(bounded.begin(), bounded.end(), 'z') < 100, true);
}

TEST(PlotSvg, CaptionStatesTheRun) {
  selection::RunState state = boxState();
  state.shape = 4;
  state.parameters.ball = {1, 1, 1, 0.5f};
  state.wholeResidues = selection::WholeResidues::Yes;
  state.atomCounter = 714;
  state.residues = {1, 2, 3};
  SelectionDensity density(unitCells(3, 3, 3));
  const std::string svg = plotSvg(density, state, {"a<b>.gro", "--ball 1,1,1,.5", 2001});
  for (const char* expected : {"a&lt;b&gt;.gro", "--ball 1,1,1,.5", "outside", "atom name OW",
                               "residue name any", "whole residues: yes", "714 atoms in 3 residues",
                               "2001 atoms in the file", "<title", "<desc", "stroke-dasharray"}) {
    EXPECT_NE(svg.find(expected), std::string::npos) << expected;
  }
  // Without the typed text, the region is told from the state.
  EXPECT_NE(plotSvg(density, state, {"f.gro", "", 1}).find("ball 1,1,1,0.5"), std::string::npos);
}

}  // namespace
}  // namespace picture
