// The picture of a trajectory run: the selected atoms and residues of every chosen frame
// against time (or frame index) as a line chart, with the caption of the selection picture.
// Long runs are drawn as the range of each pixel column, so the text stays small.
#pragma once

#include <string>
#include <vector>

#include "picture/plot_svg.h"
#include "selection/run_state.h"
#include "series/frame_series.h"

namespace picture {

// At most this many points per line: the text stays far below kPlotSizeLimit.
inline constexpr std::size_t kChartColumns = 1200;

// The chart of `frames` (at least one) for the run's names, region and file.
std::string drawFrameChart(const std::vector<series::FrameCount>& frames,
                           const selection::RunState& state, const PlotCaption& caption);

}  // namespace picture
