// The lines of list.ndx around its atom numbers: the heading of an index group and the end
// of a group's last row.
#pragma once

#include <string_view>

#include "results/result_files.h"

namespace results {

// "[selected-atoms]" as a free-form record of list.ndx; a trajectory's frame adds its
// suffix before the "]" ("[selected-atoms_f3_t7.500]").
void writeIndexHeading(std::string_view frameSuffix = {});

// Ends the pending row of list.ndx, as closing the file would: the next frame's group
// starts on a line of its own.
void endIndexRow();

}  // namespace results
