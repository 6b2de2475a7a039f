// First selection pass, residue membership and the whole-residue recount.
#include "selection/passes.h"

#include <algorithm>

#include "selection/crew.h"

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

namespace {

// Parts of the table smaller than this are not worth a thread.
constexpr std::size_t kAtomsPerPart = 1 << 16;
constexpr std::size_t kWordBits = 64;

std::size_t wordsFor(std::size_t records) { return (records + kWordBits - 1) / kWordBits; }

// A plan whose part boundaries fall on whole words of a bit set, so no two parts share one.
PartPlan planTableParts(const AtomTable& table) {
  return planParts(table.size, kAtomsPerPart, kWordBits);
}

void setBit(std::vector<std::uint64_t>& bits, std::size_t index) {
  bits[index / kWordBits] |= std::uint64_t{1} << (index % kWordBits);
}

std::vector<std::uint64_t> matchingAtoms(const AtomTable& table, const RunState& state) {
  std::vector<std::uint64_t> bits(wordsFor(table.size));
  const PartPlan plan = planTableParts(table);
  runParts(plan.parts, [&](unsigned part) {
    for (std::size_t i = plan.begin(part); i < plan.end(part); ++i) {
      if (matches(table.records[i], state.names, state.shape, state.parameters)) setBit(bits, i);
    }
  });
  return bits;
}

}  // namespace

void firstPass(const AtomTable& table, RunState& state) {
  state.residues.clear();
  state.inListedResidues.clear();
  state.matched.assign(wordsFor(table.size), 0);
  const PartPlan plan = planTableParts(table);
  std::vector<ResidueList> lists(plan.parts);
  std::vector<std::int64_t> counts(plan.parts);
  runParts(plan.parts, [&](unsigned part) {
    WrapCursor residueOffsets(table.residueWraps);
    ResidueList& list = lists[part];
    std::int64_t count = 0;
    for (std::size_t i = plan.begin(part); i < plan.end(part); ++i) {
      const AtomRecord& record = table.records[i];
      if (!matches(record, state.names, state.shape, state.parameters)) continue;
      setBit(state.matched, i);
      ++count;
      const std::int32_t residueNumber =
          record.residueNumber + residueOffsets.at(static_cast<std::uint32_t>(i));
      if (list.empty() || list.back() != residueNumber) list.push_back(residueNumber);
    }
    counts[part] = count;
  });
  // A part's first run continues the previous part's last when they share the residue.
  std::int64_t count = 0;
  for (unsigned part = 0; part < plan.parts; ++part) {
    const ResidueList& list = lists[part];
    auto from = list.begin();
    if (from != list.end() && !state.residues.empty() && state.residues.back() == *from) ++from;
    state.residues.insert(state.residues.end(), from, list.end());
    count += counts[part];
  }
  state.atomCounter = static_cast<std::int32_t>(count);
}

std::int64_t markListedResidues(const AtomTable& table, const ResidueList& list,
                                std::vector<std::uint64_t>& bits) {
  bits.assign(wordsFor(table.size), 0);
  const ResidueSet listed(list);
  const PartPlan plan = planTableParts(table);
  std::vector<std::int64_t> counts(plan.parts);
  runParts(plan.parts, [&](unsigned part) {
    WrapCursor residueOffsets(table.residueWraps);
    std::int64_t count = 0;
    for (std::size_t i = plan.begin(part); i < plan.end(part); ++i) {
      const std::int32_t residueNumber =
          table.records[i].residueNumber + residueOffsets.at(static_cast<std::uint32_t>(i));
      if (listed.contains(residueNumber)) {
        setBit(bits, i);
        ++count;
      }
    }
    counts[part] = count;
  });
  std::int64_t count = 0;
  for (std::int64_t partCount : counts) count += partCount;
  return count;
}

std::int64_t recountWholeResidues(const AtomTable& table, const ResidueList& list) {
  std::vector<std::uint64_t> bits;
  return markListedResidues(table, list, bits);
}

std::vector<std::uint64_t> selectedAtoms(const AtomTable& table, const RunState& state) {
  const std::size_t words = wordsFor(table.size);
  std::vector<std::uint64_t> selected =
      state.matched.size() == words ? state.matched : matchingAtoms(table, state);
  if (state.wholeResidues == WholeResidues::Yes) {
    std::vector<std::uint64_t> computed;
    if (state.inListedResidues.size() != words) {
      markListedResidues(table, state.residues, computed);
    }
    const std::vector<std::uint64_t>& listed =
        state.inListedResidues.size() == words ? state.inListedResidues : computed;
    for (std::size_t word = 0; word < words; ++word) selected[word] |= listed[word];
  }
  return selected;
}

}  // namespace selection
