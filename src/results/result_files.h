// The three result files: result.gro (region line, count line, atom lines, last line),
// list.ndx (one index group, ten numbers a line) and residue.txt (one residue a line).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frames/atom_table.h"
#include "selection/run_state.h"
#include "textio/layouts/fixed_layout.h"

namespace selection {

inline constexpr int kResultUnit = 15;
inline constexpr int kIndexUnit = 16;
inline constexpr int kResidueUnit = 17;
inline constexpr int kIndexNumbersPerLine = 10;

// How numbers are laid out: as the five-column files have always had them, or widened so
// that the true numbers of a system of more than 99999 atoms never touch or turn to
// asterisks.
enum class NumberLayout { FiveColumn, Wide };

// The line that records the question; nothing for a shape outside 1..6.
void writeRegionLine(const RunState& state);

// The count line: free-form for "no" and any other answer, "(I5)" for "yes" (as many
// columns as the count needs, at least five, with the wide layout).
void writeCountLine(const RunState& state, std::int64_t count, NumberLayout layout);

// "[selected-atoms]" as a free-form record of list.ndx; a trajectory's frame adds its
// suffix before the "]" ("[selected-atoms_f3_t7.500]").
void writeIndexHeading(std::string_view frameSuffix = {});

// Ends the pending row of list.ndx, as closing the file would: the next frame's group
// starts on a line of its own.
void endIndexRow();

// "[selected-residues<suffix>]" as a free-form record of residue.txt: the heading of a
// frame's block in a trajectory run.
void writeResidueHeading(std::string_view frameSuffix);

// Sink of the second pass: the atom line to result.gro through `atomLine` (the layout its
// atom lines were read with, so that a file written with more decimals keeps them), the
// atom number to list.ndx as a non-advancing six-column field (wider with the wide
// layout), the line of list.ndx ended after every tenth number.
void acceptAtom(const AtomRecord& record, std::int64_t ordinal, std::int32_t atomNumber,
                NumberLayout layout, textio::FixedLayout atomLine = textio::layouts::kAtomLine);

// acceptAtom for every atom whose bit is set in `selected` (one bit per table record), in
// file order, with ordinals from 1: the same bytes, the same reports. The lines are built on
// the machine's cores in rounds of a bounded number of atoms, and written in order.
std::int64_t writeSelectedAtoms(const AtomTable& table, const std::vector<std::uint64_t>& selected,
                                NumberLayout layout,
                                textio::FixedLayout atomLine = textio::layouts::kAtomLine);

class Crew;

// writeSelectedAtoms for a file written a chunk at a time: each write() takes the next
// chunk's records and bits, its ordinals following the last chunk's. The threads and the
// texts' room are had once, at the first chunk that needs them, and kept to the end.
class SelectedAtomWriter {
 public:
  // `threads` 0: one per core (at most a few).
  SelectedAtomWriter(NumberLayout layout, textio::FixedLayout atomLine, unsigned threads = 0);
  ~SelectedAtomWriter();
  SelectedAtomWriter(const SelectedAtomWriter&) = delete;
  SelectedAtomWriter& operator=(const SelectedAtomWriter&) = delete;

  // acceptAtom for every atom of `table` whose bit is set in `selected`, in order; answers
  // how many.
  std::int64_t write(const AtomTable& table, const std::vector<std::uint64_t>& selected);

 private:
  struct Rounds;
  NumberLayout layout_;
  textio::FixedLayout atomLine_;
  unsigned threads_;
  std::size_t piecesPerRound_;
  std::int64_t ordinal_ = 1;  // of the next selected atom
  std::unique_ptr<Crew> crew_;
  std::unique_ptr<Rounds> rounds_;
};

// "(3F10.5)" of xmax, ymax, zmax of the box group, whatever the shape.
void writeLastLine(const RunState& state);

// One "(I6)" line per list entry, in list order (at least six columns, wider as needed,
// with the wide layout).
void writeResidueFile(const ResidueList& list, NumberLayout layout);

}  // namespace selection
