// The two selection passes over the atom table and the whole-residue recount.
#pragma once

#include <cstdint>
#include <vector>

#include "frames/atom_table.h"
#include "selection/region.h"
#include "selection/run_state.h"

namespace selection {

// Membership of residue numbers in a ResidueList in constant time: a bitmap indexed by
// number over the list's range.
class ResidueSet {
 public:
  explicit ResidueSet(const ResidueList& list);
  bool contains(std::int32_t number) const {
    if (number < low_ || number > high_) return false;
    const auto offset = static_cast<std::uint64_t>(static_cast<std::int64_t>(number) - low_);
    return (bits_[offset >> 6] >> (offset & 63)) & 1u;
  }

 private:
  std::int32_t low_ = 1;
  std::int32_t high_ = 0;
  std::vector<std::uint64_t> bits_;
};

// Counts the matching atoms into state.atomCounter, collects state.residues (true residue
// numbers when the table's numbers wrap), marks the matching atoms in state.matched and tells
// whether the residue numbers are in order (state.residuesInOrder); clears
// state.inListedResidues. Parts of the table run on the machine's cores. In a marked table
// the records' marks (markMatches) say which match.
void firstPass(const frames::AtomTable& table, RunState& state);

// Sets the mark of each of records[0, count): 1 when the record matches the names and region
// of `state`, else 0. A frames::RecordTest, for the converter to run as it goes.
void markMatches(frames::AtomRecord* records, std::size_t count, const RunState& state);

// Marks in `bits` (one per record) the atoms whose residue number occurs in the list and
// answers their count, each atom counted once.
std::int64_t markListedResidues(const frames::AtomTable& table, const ResidueList& list,
                                std::vector<std::uint64_t>& bits);

// markListedResidues for the residues of the matching atoms (`matched`, one bit per record)
// when the table's true residue numbers never fall: then each listed residue is the run of
// records around one of its matching atoms, found from the neighbours without a walk over
// the whole table. Same bits, same count.
std::int64_t markRunsOfMatches(const frames::AtomTable& table,
                               const std::vector<std::uint64_t>& matched,
                               std::vector<std::uint64_t>& bits);

// The atoms of the residues the first pass listed, marked in state.inListedResidues; answers
// their count. Takes markRunsOfMatches when the residues are in order and the matching atoms
// few enough that their runs are cheaper than a walk over the table, else markListedResidues.
std::int64_t markWholeResidues(const frames::AtomTable& table, RunState& state);

// The number of atoms whose residue number occurs in the list, each atom counted once.
std::int64_t recountWholeResidues(const frames::AtomTable& table, const ResidueList& list);

// The atoms the second pass gives: the matching ones, and with "yes" every atom of a listed
// residue. Taken from state.matched and state.inListedResidues where they cover the table,
// computed otherwise.
std::vector<std::uint64_t> selectedAtoms(const frames::AtomTable& table, const RunState& state);

// Calls sink(record, ordinal, atomNumber) for every selected atom (selectedAtoms) in file
// order. atomNumber is the true atom number (the five-column value for files of at most
// 99999 atoms). Returns the count.
template <typename Sink>
std::int64_t secondPass(const frames::AtomTable& table, const RunState& state, Sink&& sink) {
  const std::vector<std::uint64_t> selected = selectedAtoms(table, state);
  frames::WrapCursor atomOffsets(table.atomWraps);
  std::int64_t ordinal = 0;
  for (std::size_t word = 0; word < selected.size(); ++word) {
    for (std::uint64_t bits = selected[word]; bits != 0; bits &= bits - 1) {
      const std::size_t i = word * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
      const frames::AtomRecord& record = table.records[i];
      const std::int32_t atomNumber =
          record.atomNumber + atomOffsets.at(static_cast<std::uint32_t>(i));
      sink(record, ++ordinal, atomNumber);
    }
  }
  return ordinal;
}

}  // namespace selection
