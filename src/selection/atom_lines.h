// Bulk conversion of atom lines in the standard layout (I5,2A5,I5,3F8.3,3F8.4): a block of
// complete lines converted into consecutive records, split into parts converted on several
// threads, with every line that is not plain handed to the general per-line rules. Gives
// exactly the records that one read statement per line gives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "selection/atom_table.h"
#include "textio/fixed_layout.h"

namespace selection {

// (I5,2A5,I5,3F8.3,3F8.4), or its wider form: where each field of an atom line goes in its
// record.
inline constexpr textio::FieldPlace kAtomLinePlaces[] = {{offsetof(AtomRecord, residueNumber), 0},
                                                         {offsetof(AtomRecord, residueName), 5},
                                                         {offsetof(AtomRecord, atomName), 5},
                                                         {offsetof(AtomRecord, atomNumber), 0},
                                                         {offsetof(AtomRecord, x), 0},
                                                         {offsetof(AtomRecord, y), 0},
                                                         {offsetof(AtomRecord, z), 0},
                                                         {offsetof(AtomRecord, vx), 0},
                                                         {offsetof(AtomRecord, vy), 0},
                                                         {offsetof(AtomRecord, vz), 0}};

struct AtomLinesRead {
  std::uint64_t lines = 0;    // lines consumed, each one read statement
  std::uint64_t records = 0;  // records filled
  std::size_t bytes = 0;      // bytes consumed, line ends included
  bool stopped = false;       // stopped before a line holding only byte 26, which ends a file
};

// Converts the lines of `text` (`size` bytes, each line ending in a line feed, the last one
// at text[size - 1]) in order, at most `maxLines` of them, into records[0], records[1], ...:
// one record per line that can be read, none for a line that cannot. A carriage return just
// before a line feed belongs to the line end. Stops before a line that is byte 26 alone.
// Writes only records[0 .. min(lines in text, maxLines)). Runs on up to `threads` threads
// (0: one per core), one part of at least `minPartBytes` bytes each, joined before it
// returns. Allocates nothing but the threads.
AtomLinesRead convertAtomLines(const char* text, std::size_t size, std::uint64_t maxLines,
                               AtomRecord* records, unsigned threads, std::size_t minPartBytes);

}  // namespace selection
