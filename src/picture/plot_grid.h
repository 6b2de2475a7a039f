// Density maps for the selection picture: the drawn extent (every finite coordinate plus a
// margin, cut into square cells) and, for the three views, grids counting the atoms whose
// projection falls in each cell, one set for all atoms and one for the selected atoms; and
// those grids gathered while the atoms stream past, before their extent is known.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "frames/atom_table.h"

namespace picture {

// The drawn extent's longest side, margins included, is at most this many cells long and
// more than half as many (its ends rounded out to whole cells add at most two).
inline constexpr int kCellsOnLongestSide = 150;
// Every side of the drawn extent gets this share of the longest side as margin (at least
// kMinimumMargin nm), so that atoms on the edge are not drawn on the frame.
inline constexpr double kMarginShare = 0.02;
inline constexpr double kMinimumMargin = 0.05;

// The smallest and largest finite value of each coordinate (x, y, z), each axis on its own:
// a NaN y does not drop the atom's x. `found[a]` is false when axis a holds no finite value.
struct CoordinateBounds {
  std::array<double, 3> low{};
  std::array<double, 3> high{};
  std::array<bool, 3> found{};
};
CoordinateBounds coordinateBounds(const frames::AtomTable& table);

// The box drawn in all three views, in nm. The cell's edge is a power of two nm and every
// side runs from one multiple of it to another, so that cells of one picture nest in those
// of a wider one (see StreamedDensity); `low` is at most the bounds less the margin, `high`
// at least the bounds plus the margin.
struct Extent {
  std::array<double, 3> low{};
  std::array<double, 3> high{};
  std::array<int, 3> cells{};
  double cell = 0;  // edge of one square cell, nm
};

// The bounds widened by the margin and cut into cells of the smallest power of two nm on
// which the longest side takes at most cellsOnLongestSide cells. An axis without finite
// values spans 0..1 nm; a flat axis still gets its two margins.
Extent drawnExtent(const CoordinateBounds& bounds, int cellsOnLongestSide = kCellsOnLongestSide);

// `into` widened to hold `part` too.
void widenBounds(CoordinateBounds& into, const CoordinateBounds& part);

enum class View { Top, Front, Side };
inline constexpr std::array<View, 3> kViews = {View::Top, View::Front, View::Side};

// The coordinate drawn across (left to right) and up in a view: 0 is x, 1 is y, 2 is z.
struct ViewAxes {
  int across;
  int up;
};
constexpr ViewAxes axesOf(View view) {
  switch (view) {
    case View::Top:
      return {0, 1};
    case View::Front:
      return {0, 2};
    case View::Side:
      return {1, 2};
  }
  return {0, 1};
}

// Atom counts of one view's cells; row 0 is the lowest (smallest `up` coordinate).
struct DensityGrid {
  int columns = 0;
  int rows = 0;
  std::vector<std::uint32_t> counts;  // rows * columns, row by row

  std::uint32_t at(int column, int row) const {
    return counts[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                  static_cast<std::size_t>(column)];
  }
  std::uint32_t largest() const;
};

// The cell of a coordinate along one axis: the cell whose half-open range holds it; -1 for a
// value that is not finite or lies outside. `perCell` is 1 / the cell's edge (a
// multiplication per atom instead of a division).
int cellIndex(double value, double low, double perCell, int cells);

enum class Layer { All, Selected };

// How a coordinate finds its cell along each axis of an extent. Where the cells lie a whole
// number of cells from 0 within a few million cells (every extent drawnExtent and the
// streamed grids make), the cell is floor(value / edge) - first, exact in integers and the
// same for one atom (add) as for every record of a table (addAll, four lanes at a time);
// elsewhere it is cellIndex's.
struct CellMap {
  bool integer = false;
  float scale = 1;  // 1 / the edge, at most 1: a power of two, so value * scale is exact
  int shift = 0;    // log2 of the edge when it is above 1 nm: floor(value) >> shift
  std::array<int, 3> first{};
  std::array<int, 3> cells{};
  std::array<double, 3> low{};  // cellIndex's, elsewhere
  double perCell = 1;
};
CellMap cellMapOf(const Extent& extent);
// The cells of a position along x, y and z (-1 where outside or not finite).
std::array<int, 3> cellsOf(const CellMap& map, float x, float y, float z);

// The six grids of a picture: for each view, all atoms and the selected atoms.
class SelectionDensity {
 public:
  // Without `withSelected`, the grids of Layer::Selected hold no cells (and take no atoms).
  explicit SelectionDensity(const Extent& extent, bool withSelected = true);

  // Counts the position in the three views of the layer; a view is skipped when one of its
  // two coordinates has no cell.
  void add(Layer layer, float x, float y, float z);
  // Every record of the table into Layer::All; answers the table's coordinateBounds. With
  // `widest`, in the widest lanes the processor has, else in those every x86-64 has (the
  // same counts).
  CoordinateBounds addAll(const frames::AtomTable& table, bool widest = true);
  // The records of the table that a density of extent `before` left out of a view (one of
  // the view's coordinates without a cell there), into Layer::All.
  void addLeftOut(const frames::AtomTable& table, const Extent& before);

  const Extent& extent() const { return extent_; }
  const DensityGrid& grid(Layer layer, View view) const { return grids_[index(layer, view)]; }

  // The same picture with cells of twice the edge: counts of 2 x 2 cells summed, each side
  // of the extent rounded up to whole new cells. Keeps a picture small when its cells vary
  // too much to be joined into few runs.
  SelectionDensity coarsened() const;

  // The counts of `finer`, whose cells nest in these (edges a power of two apart, aligned),
  // each into the cell here that holds it.
  void addNested(const SelectionDensity& finer);

 private:
  static std::size_t index(Layer layer, View view) {
    return static_cast<std::size_t>(layer) * 3 + static_cast<std::size_t>(view);
  }
  Extent extent_;
  CellMap map_;
  std::array<DensityGrid, 6> grids_;
};

// Shade of a cell on a logarithmic scale: 0 for an empty cell, else 1 + the floor of
// (levels - 1) * ln(count) / ln(largest), so one atom is level 1 and the fullest cell is
// `levels`. A grid whose fullest cell holds one atom draws every atom at `levels`.
int densityLevel(std::uint32_t count, std::uint32_t largest, int levels);

// The grids of a picture gathered in one pass over atoms that come a chunk at a time: the
// grids cover the bounds seen so far (and room around them) in cells of drawnExtent's edge
// for those bounds, and when a chunk widens them past that edge, 2 x 2 cells join into one
// (exactly: cells are aligned at 0). finish() answers what drawnExtent of the final bounds and
// add() of every atom give.
class StreamedDensity {
 public:
  // The chunk's atoms into Layer::All; they widen the bounds. One walk over the chunk while
  // its atoms fall within the grids as they are.
  void addAll(const frames::AtomTable& chunk);
  // An atom within the bounds of the atoms added to Layer::All so far. The first one of
  // Layer::Selected ends Layer::All (no addAll after it): the selected atoms are counted in
  // the final extent at once.
  void add(Layer layer, float x, float y, float z);
  SelectionDensity finish();

 private:
  // Whether the grids as they are take atoms within `wider`.
  bool covers(const CoordinateBounds& wider) const;
  void regrid(const CoordinateBounds& wider);

  CoordinateBounds bounds_;  // of the atoms so far; found[a] false until axis a has one
  // The counts so far, over the bounds so far (no cells along an axis not found yet).
  SelectionDensity gathered_{Extent{{}, {}, {}, 1.0}, false};
  // The picture in the final extent, once Layer::All is complete.
  std::optional<SelectionDensity> final_;
};

}  // namespace picture
