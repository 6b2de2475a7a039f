// The lines of result.gro around its atom lines: the region line that records the question,
// the count line and the last line with the box group's maxima.
#pragma once

#include <cstdint>

#include "results/result_files.h"
#include "selection/run_state.h"

namespace results {

// The line that records the question; nothing for a shape outside 1..6.
void writeRegionLine(const selection::RunState& state);

// The count line: free-form for "no" and any other answer, "(I5)" for "yes" (as many
// columns as the count needs, at least five, with the wide layout).
void writeCountLine(const selection::RunState& state, std::int64_t count, NumberLayout layout);

// "(3F10.5)" of xmax, ymax, zmax of the box group, whatever the shape.
void writeLastLine(const selection::RunState& state);

}  // namespace results
