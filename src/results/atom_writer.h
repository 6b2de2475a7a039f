// The selected atoms written to result.gro (their atom lines) and list.ndx (their numbers,
// ten a row): one atom at a time, or all of a table's selected atoms built on the machine's
// cores and written in order, with the same bytes and the same reports.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "frames/atom_table.h"
#include "platform/crew.h"
#include "results/result_files.h"

namespace results {

// Sink of the second pass: the atom line to result.gro through `atomLine` (the layout its
// atom lines were read with, so that a file written with more decimals keeps them), the
// atom number to list.ndx as a non-advancing six-column field (wider with the wide
// layout), the line of list.ndx ended after every tenth number.
void acceptAtom(const frames::AtomRecord& record, std::int64_t ordinal, std::int32_t atomNumber,
                NumberLayout layout,
                textio::layouts::FixedLayout atomLine = textio::layouts::kAtomLine);

// acceptAtom for every atom whose bit is set in `selected` (one bit per table record), in
// file order, with ordinals from 1: the same bytes, the same reports. The lines are built on
// the machine's cores in rounds of a bounded number of atoms, and written in order.
std::int64_t writeSelectedAtoms(const frames::AtomTable& table,
                                const std::vector<std::uint64_t>& selected, NumberLayout layout,
                                textio::layouts::FixedLayout atomLine = textio::layouts::kAtomLine);

// writeSelectedAtoms for a file written a chunk at a time: each write() takes the next
// chunk's records and bits, its ordinals following the last chunk's. The threads and the
// texts' room are had once, at the first chunk that needs them, and kept to the end.
class SelectedAtomWriter {
 public:
  // `threads` 0: one per core (at most a few).
  SelectedAtomWriter(NumberLayout layout, textio::layouts::FixedLayout atomLine,
                     unsigned threads = 0);
  ~SelectedAtomWriter();
  SelectedAtomWriter(const SelectedAtomWriter&) = delete;
  SelectedAtomWriter& operator=(const SelectedAtomWriter&) = delete;

  // acceptAtom for every atom of `table` whose bit is set in `selected`, in order; answers
  // how many.
  std::int64_t write(const frames::AtomTable& table, const std::vector<std::uint64_t>& selected);

 private:
  struct Rounds;
  NumberLayout layout_;
  textio::layouts::FixedLayout atomLine_;
  unsigned threads_;
  std::size_t piecesPerRound_;
  std::int64_t ordinal_ = 1;  // of the next selected atom
  std::unique_ptr<platform::Crew> crew_;
  std::unique_ptr<Rounds> rounds_;
};

}  // namespace results
