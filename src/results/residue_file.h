// residue.txt: one residue number a line, under a heading per frame in a trajectory run.
#pragma once

#include <string_view>

#include "results/result_files.h"
#include "selection/run_state.h"

namespace results {

// "[selected-residues<suffix>]" as a free-form record of residue.txt: the heading of a
// frame's block in a trajectory run.
void writeResidueHeading(std::string_view frameSuffix);

// One "(I6)" line per list entry, in list order (at least six columns, wider as needed,
// with the wide layout).
void writeResidueFile(const selection::ResidueList& list, NumberLayout layout);

}  // namespace results
