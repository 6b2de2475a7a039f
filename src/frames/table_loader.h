// The loader of the atom table: the title skipped, the count read and every atom line it
// announces converted into the table, in blocks on the crew (atom_lines.h) where the file is a
// regular one, by read statements otherwise.
#pragma once

#include <string_view>

#include "frames/atom_table.h"

namespace frames {

// Opens `fileName` (80 characters, blank-padded) as unit 10, skips the title line, reads
// the count and every atom line it announces, all in the layout the first atom line
// shows (atomLineSpacing). Lines that cannot be read are skipped silently and leave no
// record. Unit 10 stays open. The count line and the title are read without guard: their
// failures are severe reports.
AtomTable load(std::string_view fileName, const LoadTuning& tuning = {});

// As load, for a unit 10 the caller has connected (a path taken exactly as given, or the
// standard input). With `kept`, the table lives in that block (valid until the next load
// into it) instead of a block of its own for the whole run.
AtomTable loadConnected(const LoadTuning& tuning = {}, TableBlock* kept = nullptr);

// As loadConnected after the title line: the count line and the atom lines it announces.
// Frames read their title themselves.
AtomTable loadCountAndAtoms(const LoadTuning& tuning = {}, TableBlock* kept = nullptr);

}  // namespace frames
