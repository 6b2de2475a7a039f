// The selection picture as SVG text: three views of the atoms at one scale (top, front,
// side), all atoms as a grey density map, the selected atoms as an orange one on top, the
// region's outline in blue, axes in nm, a caption and a legend. Its size stays under
// kPlotSizeLimit whatever the number of atoms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "frames/atom_table.h"
#include "picture/plot_grid.h"
#include "picture/plot_text.h"
#include "selection/run_state.h"

namespace picture {

inline constexpr std::size_t kPlotSizeLimit = 1000000;

// What the picture says about the run beyond the selection itself.
struct PlotCaption {
  std::string fileName;  // the coordinate file as the user gave it
  std::string region;    // the region as typed (e.g. "--ball 2,2,2,1"); empty: made from the state
  std::int64_t atoms = 0;  // atoms in the file
};

// The picture of the grids, with the outline, names and counts of the state (its
// atomCounter and residue list as the run left them). When the text would reach
// `sizeLimit` bytes, the cells are doubled until it does not.
std::string plotSvg(const SelectionDensity& density, const selection::RunState& state,
                    const PlotCaption& caption, std::size_t sizeLimit = kPlotSizeLimit);

// The whole picture of a run whose passes are done: all atoms of the table, and the atoms
// the writers take (the second pass, so the picture always shows what list.ndx lists).
std::string drawSelection(const frames::AtomTable& table, const selection::RunState& state,
                          const PlotCaption& caption);

}  // namespace picture
