// First selection pass, residue membership and the whole-residue recount.
#include "selection/passes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/crew.h"

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
platform::PartPlan planTableParts(const frames::AtomTable& table) {
  return platform::planParts(table.size, kAtomsPerPart, kWordBits);
}

void setBit(std::vector<std::uint64_t>& bits, std::size_t index) {
  bits[index / kWordBits] |= std::uint64_t{1} << (index % kWordBits);
}

std::vector<std::uint64_t> matchingAtoms(const frames::AtomTable& table, const RunState& state) {
  std::vector<std::uint64_t> bits(wordsFor(table.size));
  const platform::PartPlan plan = planTableParts(table);
  platform::runParts(plan.parts, [&](unsigned part) {
    for (std::size_t i = plan.begin(part); i < plan.end(part); ++i) {
      if (matches(table.records[i], state.names, state.shape, state.parameters)) setBit(bits, i);
    }
  });
  return bits;
}

// Whether the true residue number of record `index` is at least that of the record before
// it, told from the numbers as read: where the number falls, only a wrap point (which adds
// kNumberWrap) keeps the order.
bool residueFollows(const frames::AtomTable& table, std::size_t index) {
  const std::int64_t fall = static_cast<std::int64_t>(table.records[index - 1].residueNumber) -
                            table.records[index].residueNumber;
  if (fall <= 0) return true;
  const std::vector<std::uint32_t>& points = table.residueWraps.points;
  return fall <= frames::kNumberWrap &&
         std::binary_search(points.begin(), points.end(), static_cast<std::uint32_t>(index));
}

// The first pass over records [begin, end): the matching atoms' bits, count and residue runs,
// and with `checkOrder` whether the residue numbers never fall within the range.
template <bool checkOrder, bool marked>
bool firstPassPart(const frames::AtomTable& table, RunState& state, std::size_t begin,
                   std::size_t end, ResidueList& list, std::int64_t& count) {
  frames::WrapCursor residueOffsets(table.residueWraps);
  bool inOrder = true;
  std::int32_t previous = begin < end ? table.records[begin].residueNumber : 0;
  for (std::size_t i = begin; i < end; ++i) {
    const frames::AtomRecord& record = table.records[i];
    if constexpr (checkOrder) {
      if (record.residueNumber < previous) [[unlikely]] {
        inOrder = inOrder && residueFollows(table, i);
      }
      previous = record.residueNumber;
    }
    if constexpr (marked) {
      if (record.mark == 0) continue;
    } else if (!matches(record, state.names, state.shape, state.parameters)) {
      continue;
    }
    setBit(state.matched, i);
    ++count;
    const std::int32_t residueNumber =
        record.residueNumber + residueOffsets.at(static_cast<std::uint32_t>(i));
    if (list.empty() || list.back() != residueNumber) list.push_back(residueNumber);
  }
  return inOrder;
}

// The first pass from the table's mark bits: the matching atoms are the bits, and only
// their records are read (for the residue list).
void firstPassFromBits(const frames::AtomTable& table, RunState& state) {
  state.matched = table.markBits;
  frames::WrapCursor residueOffsets(table.residueWraps);
  std::int64_t count = 0;
  for (std::size_t word = 0; word < state.matched.size(); ++word) {
    for (std::uint64_t rest = state.matched[word]; rest != 0; rest &= rest - 1) {
      const std::size_t i = word * kWordBits + static_cast<std::size_t>(std::countr_zero(rest));
      const std::int32_t residueNumber =
          table.records[i].residueNumber + residueOffsets.at(static_cast<std::uint32_t>(i));
      if (state.residues.empty() || state.residues.back() != residueNumber) {
        state.residues.push_back(residueNumber);
      }
      ++count;
    }
  }
  state.atomCounter = static_cast<std::int32_t>(count);
  state.residuesInOrder = false;
}

template <bool marked>
void firstPassWith(const frames::AtomTable& table, RunState& state) {
  state.residues.clear();
  state.inListedResidues.clear();
  // Whole residues check the order of every record's residue number: the walk stays.
  if (marked && state.wholeResidues != WholeResidues::Yes &&
      table.markBits.size() == wordsFor(table.size)) {
    firstPassFromBits(table, state);
    return;
  }
  state.matched.assign(wordsFor(table.size), 0);
  const platform::PartPlan plan = planTableParts(table);
  std::vector<ResidueList> lists(plan.parts);
  std::vector<std::int64_t> counts(plan.parts);
  // Only whole residues need to know whether each residue is one run.
  const bool checkOrder = state.wholeResidues == WholeResidues::Yes;
  std::vector<char> partsInOrder(plan.parts, 1);
  platform::runParts(plan.parts, [&](unsigned part) {
    const std::size_t begin = plan.begin(part);
    const std::size_t end = plan.end(part);
    partsInOrder[part] =
        checkOrder
            ? firstPassPart<true, marked>(table, state, begin, end, lists[part], counts[part])
            : firstPassPart<false, marked>(table, state, begin, end, lists[part], counts[part]);
  });
  // A part's first run continues the previous part's last when they share the residue.
  std::int64_t count = 0;
  bool inOrder = checkOrder;
  for (unsigned part = 0; part < plan.parts; ++part) {
    const ResidueList& list = lists[part];
    auto from = list.begin();
    if (from != list.end() && !state.residues.empty() && state.residues.back() == *from) ++from;
    state.residues.insert(state.residues.end(), from, list.end());
    count += counts[part];
    const std::size_t begin = plan.begin(part);
    inOrder = inOrder && partsInOrder[part] != 0 &&
              (begin == 0 || begin >= table.size || residueFollows(table, begin));
  }
  state.atomCounter = static_cast<std::int32_t>(count);
  state.residuesInOrder = inOrder;
}

}  // namespace

void firstPass(const frames::AtomTable& table, RunState& state) {
  if (table.marked) {
    firstPassWith<true>(table, state);
  } else {
    firstPassWith<false>(table, state);
  }
}

namespace {

// A name test worked out once for a run of records: the answer as a word (its five bytes,
// the first lowest) that a name left-justified must equal, unless it takes every name.
struct NameWord {
  bool any;
  std::uint64_t wanted;
};
constexpr std::uint64_t kFiveBlanks = 0x2020202020;
constexpr std::uint64_t kFiveBytes = 0xFFFFFFFFFF;

NameWord nameWordOf(const std::array<char, 5>& answer) {
  std::uint64_t wanted = 0;
  std::memcpy(&wanted, answer.data(), answer.size());
  return {std::memcmp(answer.data(), "any  ", 5) == 0, wanted};
}

// The name field at `field` (five bytes of a record, which has at least three more after
// them) left-justified as namesMatch compares it: shifted past its leading blanks (the low
// bytes that are blanks), with blanks shifted in at the top.
bool nameWordMatches(const char* field, const NameWord& test) {
  if (test.any) return true;
  std::uint64_t name = 0;
  std::memcpy(&name, field, sizeof name);
  name &= kFiveBytes;
  const std::uint64_t unblanked = name ^ kFiveBlanks;
  if (unblanked == 0) return test.wanted == kFiveBlanks;
  const int shift = std::countr_zero(unblanked) & ~7;
  return ((name >> shift) | ((kFiveBlanks << (40 - shift)) & kFiveBlanks)) == test.wanted;
}

}  // namespace

void markMatches(frames::AtomRecord* records, std::size_t count, const RunState& state) {
  if constexpr (std::endian::native == std::endian::little) {
    // Every record of a file passes here, on the converting threads: the names as words.
    const NameWord atom = nameWordOf(state.names.atomName);
    const NameWord residue = nameWordOf(state.names.residueName);
    for (std::size_t i = 0; i < count; ++i) {
      frames::AtomRecord& record = records[i];
      record.mark =
          nameWordMatches(record.atomName, atom) && nameWordMatches(record.residueName, residue) &&
                  insideRegion(record.x, record.y, record.z, state.shape, state.parameters)
              ? 1
              : 0;
    }
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      records[i].mark = matches(records[i], state.names, state.shape, state.parameters) ? 1 : 0;
    }
  }
}

std::int64_t markListedResidues(const frames::AtomTable& table, const ResidueList& list,
                                std::vector<std::uint64_t>& bits) {
  bits.assign(wordsFor(table.size), 0);
  const ResidueSet listed(list);
  const platform::PartPlan plan = planTableParts(table);
  std::vector<std::int64_t> counts(plan.parts);
  platform::runParts(plan.parts, [&](unsigned part) {
    frames::WrapCursor residueOffsets(table.residueWraps);
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

std::int64_t markRunsOfMatches(const frames::AtomTable& table,
                               const std::vector<std::uint64_t>& matched,
                               std::vector<std::uint64_t>& bits) {
  constexpr std::size_t kPrefetchWords = 16;
  bits.assign(wordsFor(table.size), 0);
  const std::vector<std::uint32_t>& wraps = table.residueWraps.points;
  // Records j - 1 and j share the true residue number: equal values, or a fall of exactly
  // kNumberWrap at a wrap point.
  const auto sameResidue = [&](std::size_t j) {
    const std::int32_t before = table.records[j - 1].residueNumber;
    const std::int32_t value = table.records[j].residueNumber;
    return value == before ||
           (static_cast<std::int64_t>(before) - value == frames::kNumberWrap &&
            std::binary_search(wraps.begin(), wraps.end(), static_cast<std::uint32_t>(j)));
  };
  std::int64_t count = 0;
  std::size_t marked = 0;  // the records before this are decided
  for (std::size_t word = 0; word < matched.size(); ++word) {
    // Matching atoms lie scattered over a table far larger than the caches: their records are
    // fetched a few words ahead of their turn.
    if (word + kPrefetchWords < matched.size()) {
      for (std::uint64_t ahead = matched[word + kPrefetchWords]; ahead != 0; ahead &= ahead - 1) {
        // The atom's line and the next two, where the rest of a small residue lies.
        const char* const line = reinterpret_cast<const char*>(
            &table.records[(word + kPrefetchWords) * kWordBits +
                           static_cast<std::size_t>(std::countr_zero(ahead))]);
        for (int k = 0; k < 3; ++k) __builtin_prefetch(line + 64 * k);
      }
    }
    for (std::uint64_t rest = matched[word]; rest != 0; rest &= rest - 1) {
      const std::size_t i = word * kWordBits + static_cast<std::size_t>(std::countr_zero(rest));
      if (i < marked) continue;
      std::size_t begin = i;
      while (begin > marked && sameResidue(begin)) --begin;
      std::size_t end = i + 1;
      while (end < table.size && sameResidue(end)) ++end;
      for (std::size_t j = begin; j < end; ++j) setBit(bits, j);
      count += static_cast<std::int64_t>(end - begin);
      marked = end;
    }
  }
  return count;
}

std::int64_t markWholeResidues(const frames::AtomTable& table, RunState& state) {
  // A matching atom's run costs a few records; a walk over the table costs every record, on
  // every core.
  constexpr std::int64_t kRecordsPerMatchWorthAWalk = 16;
  if (state.residuesInOrder && state.matched.size() == wordsFor(table.size) &&
      state.atomCounter * kRecordsPerMatchWorthAWalk < static_cast<std::int64_t>(table.size)) {
    return markRunsOfMatches(table, state.matched, state.inListedResidues);
  }
  return markListedResidues(table, state.residues, state.inListedResidues);
}

std::int64_t recountWholeResidues(const frames::AtomTable& table, const ResidueList& list) {
  std::vector<std::uint64_t> bits;
  return markListedResidues(table, list, bits);
}

std::vector<std::uint64_t> selectedAtoms(const frames::AtomTable& table, const RunState& state) {
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
