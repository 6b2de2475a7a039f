// The part of a run that follows the answers, shared by the dialogue and the command line:
// first pass, region and count lines, second pass with result.gro and list.ndx, last line,
// residue.txt, and the closing of the run's files.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "frames/atom_table.h"
#include "results/result_files.h"
#include "selection/run_state.h"

namespace runs {

// The two numbers a run reports: selected atoms (whole residues included) and listed
// residues.
struct SelectionCounts {
  std::int32_t atoms = 0;
  std::int32_t residues = 0;
};

// Wide numbers for files of more than 99999 atoms, the five-column layout otherwise.
results::NumberLayout numberLayoutOf(const frames::AtomTable& table);

// First pass, region line and count line of result.gro (unit 15, already open). With "yes"
// the atom counter becomes the whole-residue count.
SelectionCounts selectAndCount(const frames::AtomTable& table, selection::RunState& state,
                               results::NumberLayout numbers);

// list.ndx heading, second pass into units 15 and 16, last line of result.gro and, with
// "yes", residue.txt on unit 17, which `openResidueFile` connects just before it is written.
// A trajectory's frame passes its suffix ("_f3_t7.500"): it is added to the list.ndx
// heading, and its residue numbers get a heading of their own.
void writeSelected(const frames::AtomTable& table, const selection::RunState& state,
                   results::NumberLayout numbers, const std::function<void()>& openResidueFile,
                   std::string_view frameSuffix = {});

// Closes units 15, 16, 17 and 10 in this order (pending list.ndx row completed).
void closeRunFiles();

}  // namespace runs
