// The frames of a trajectory, one after another from unit 10: each frame loaded into the
// same table block, its box line read, and when the slice chooses it, selected and written
// by the same engine calls as a single-frame run into the same open result units.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "frames/atom_table.h"
#include "runs/frame_slice.h"
#include "selection/run_state.h"
#include "series/frame_series.h"

namespace runs {

struct FramesRead {
  std::vector<series::FrameCount> chosen;  // the complete frames the slice chose, in file order
  std::uint64_t complete = 0;           // complete frames read (all of the file's when none chosen)
  std::optional<std::string> cutShort;  // the warning about a last frame cut short
};

// Reads the frames of the connected unit 10 from its start. `openResults` is called once,
// when the first chosen frame is loaded, to connect units 15, 16 and (with "yes") 17. The
// end of the file before a title ends the frames (before the first one it is report 24, as
// for a single frame); a frame the file cuts short is left out. Reading stops once the slice
// can choose no more frames and at least one was chosen.
// `prepareFrame` gets each chosen frame's table and box line before the frame is selected
// (the periodic images of --pbc are taken there); it may end the run.
using FrameStep =
    std::function<void(frames::AtomTable& table, const std::string& boxLine, std::uint64_t index)>;
FramesRead runFrames(const selection::RunState& answers, const FrameSlice& slice,
                     const std::function<void()>& openResults, const FrameStep& prepareFrame);

}  // namespace runs
