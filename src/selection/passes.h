// The two selection passes over the atom table and the whole-residue recount.
#pragma once

#include <cstdint>
#include <vector>

#include "selection/atom_table.h"
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

// Counts the matching atoms into state.atomCounter and collects state.residues (true
// residue numbers when the table's numbers wrap).
void firstPass(const AtomTable& table, RunState& state);

// The number of atoms whose residue number occurs in the list, each atom counted once.
std::int64_t recountWholeResidues(const AtomTable& table, const ResidueList& list);

// Calls sink(record, ordinal, atomNumber) for every selected atom in file order: the
// matching atoms, and with "yes" every atom of a listed residue. atomNumber is the true
// atom number (the five-column value for files of at most 99999 atoms). Returns the count.
template <typename Sink>
std::int64_t secondPass(const AtomTable& table, const RunState& state, Sink&& sink) {
  const bool whole = state.wholeResidues == WholeResidues::Yes;
  const ResidueSet listed(whole ? state.residues : ResidueList{});
  WrapCursor atomOffsets(table.atomWraps);
  WrapCursor residueOffsets(table.residueWraps);
  std::int64_t ordinal = 0;
  for (std::size_t i = 0; i < table.size; ++i) {
    const AtomRecord& record = table.records[i];
    const std::int32_t atomNumber = record.atomNumber + atomOffsets.next();
    const std::int32_t residueNumber = record.residueNumber + residueOffsets.next();
    const bool selected = matches(record, state.names, state.shape, state.parameters) ||
                          (whole && listed.contains(residueNumber));
    if (selected) sink(record, ++ordinal, atomNumber);
  }
  return ordinal;
}

}  // namespace selection
