// Whole residues over a streamed frame: the runs of records with the same true residue number,
// followed across chunks. While the numbers never fall (as in files GROMACS writes), each
// residue number is one run, so the atoms of the listed residues are the runs that hold a
// matching atom: counted, and kept for the write pass, as the first pass goes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "frames/atom_table.h"
#include "selection/kept_atoms.h"

namespace selection {

class ResidueRuns {
 public:
  // Follows the records of the next chunk in order; `matched` holds one bit per record.
  // Keeps the atoms of matched runs in `kept` while there is one, and drops `kept` when the
  // numbers fall or a run grows too long to wait for its end.
  void follow(const frames::AtomTable& view, const std::vector<std::uint64_t>& matched,
              std::unique_ptr<KeptAtoms>& kept);
  // Closes the last run; then inOrder() and atoms() hold for the whole frame.
  void finish(std::unique_ptr<KeptAtoms>& kept);

  bool inOrder() const { return inOrder_; }
  // The atoms of the runs that hold a matching atom.
  std::int64_t atoms() const { return atoms_; }

 private:
  void keepWaiting(KeptAtoms& kept);
  // The 64 records from `first` on, none of them matching, the open run (from `start`, not
  // matching either) followed through them.
  void skipUnmatchedWord(const frames::AtomTable& view, std::size_t first, std::int32_t offset,
                         std::unique_ptr<KeptAtoms>& kept, std::size_t& start);

  bool inOrder_ = true;
  bool inRun_ = false;
  std::int32_t number_ = 0;
  // The open run's records in earlier chunks, and whether one of them matched.
  std::int64_t length_ = 0;
  bool matched_ = false;
  std::int64_t atoms_ = 0;
  // The records of the open run from earlier chunks, with their atom offsets.
  std::vector<frames::AtomRecord> waiting_;
  std::vector<std::int32_t> waitingOffsets_;
};

}  // namespace selection
