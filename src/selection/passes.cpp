// First selection pass, residue membership and the whole-residue recount.
#include "selection/passes.h"

#include <algorithm>

namespace selection {

ResidueSet::ResidueSet(const ResidueList& list) {
  if (list.empty()) return;
  const auto [low, high] = std::minmax_element(list.begin(), list.end());
  low_ = *low;
  high_ = *high;
  const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high_) - low_) + 1;
  bits_.assign((span + 63) / 64, 0);
  for (std::int32_t number : list) {
    const auto offset = static_cast<std::uint64_t>(static_cast<std::int64_t>(number) - low_);
    bits_[offset >> 6] |= std::uint64_t{1} << (offset & 63);
  }
}

void firstPass(const AtomTable& table, RunState& state) {
  state.atomCounter = 0;
  state.residues.clear();
  WrapCursor residueOffsets(table.residueWraps);
  for (std::size_t i = 0; i < table.size; ++i) {
    const AtomRecord& record = table.records[i];
    const std::int32_t residueNumber = record.residueNumber + residueOffsets.next();
    if (!matches(record, state.names, state.shape, state.parameters)) continue;
    ++state.atomCounter;
    if (state.residues.empty() || state.residues.back() != residueNumber) {
      state.residues.push_back(residueNumber);
    }
  }
}

std::int64_t recountWholeResidues(const AtomTable& table, const ResidueList& list) {
  const ResidueSet listed(list);
  WrapCursor residueOffsets(table.residueWraps);
  std::int64_t count = 0;
  for (std::size_t i = 0; i < table.size; ++i) {
    const std::int32_t residueNumber = table.records[i].residueNumber + residueOffsets.next();
    if (listed.contains(residueNumber)) ++count;
  }
  return count;
}

}  // namespace selection
