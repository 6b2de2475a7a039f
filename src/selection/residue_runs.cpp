// Residue runs followed across the edges of chunks, a run's bits looked at when it ends.
#include "selection/residue_runs.h"

#include <algorithm>

namespace selection {
namespace {

constexpr std::size_t kWordBits = 64;
// A residue run longer than this is not held back for keeping: the file is read again.
constexpr std::size_t kLongestWaitingRun = 1 << 16;

// Whether any bit of [from, to) is set.
bool anyBit(const std::vector<std::uint64_t>& bits, std::size_t from, std::size_t to) {
  if (from >= to) return false;
  const std::size_t first = from / kWordBits;
  const std::size_t last = (to - 1) / kWordBits;
  const std::uint64_t head = ~std::uint64_t{0} << (from % kWordBits);
  const std::uint64_t tail = ~std::uint64_t{0} >> (kWordBits - 1 - (to - 1) % kWordBits);
  if (first == last) return (bits[first] & head & tail) != 0;
  if ((bits[first] & head) != 0) return true;
  for (std::size_t word = first + 1; word < last; ++word) {
    if (bits[word] != 0) return true;
  }
  return (bits[last] & tail) != 0;
}

}  // namespace

void ResidueRuns::keepWaiting(KeptAtoms& kept) {
  for (std::size_t k = 0; k < waiting_.size(); ++k) kept.add(waiting_[k], waitingOffsets_[k]);
}

void ResidueRuns::skipUnmatchedWord(const frames::AtomTable& view, std::size_t first,
                                    std::int32_t offset, std::unique_ptr<KeptAtoms>& kept,
                                    std::size_t& start) {
  std::int32_t last = number_;
  std::size_t lastStart = first;
  bool ended = false;  // the open run ended in the word
  for (std::size_t k = first; k < first + kWordBits; ++k) {
    const std::int32_t number = view.records[k].residueNumber + offset;
    if (number == last) continue;
    if (number < last) {
      inOrder_ = false;
      kept.reset();
    }
    last = number;
    lastStart = k;
    ended = true;
  }
  if (!ended) return;  // the open run goes on through the word
  waiting_.clear();
  waitingOffsets_.clear();
  start = lastStart;
  number_ = last;
  length_ = 0;
}

void ResidueRuns::follow(const frames::AtomTable& view, const std::vector<std::uint64_t>& matched,
                         std::unique_ptr<KeptAtoms>& kept) {
  frames::WrapCursor keepOffsets(view.atomWraps);  // asked for records in order
  std::size_t start = 0;  // the open run's first record here (earlier ones: waiting_)
  const auto keepTo = [&](std::size_t end) {
    if (!kept) return;
    keepWaiting(*kept);
    for (std::size_t k = start; k < end; ++k) {
      kept->add(view.records[k], keepOffsets.at(static_cast<std::uint32_t>(k)));
    }
  };
  // The records between two wrap points of the residue numbers share one offset: the loop
  // over them only compares each number with the open run's, and a run's bits are looked at
  // once, when it ends.
  const std::vector<std::uint32_t>& wraps = view.residueWraps.points;
  std::size_t nextWrap = 0;
  std::int32_t offset = view.residueWraps.startOffset;
  for (std::size_t i = 0; i < view.size;) {
    for (; nextWrap < wraps.size() && wraps[nextWrap] <= i; ++nextWrap) {
      offset += frames::kNumberWrap;
    }
    const std::size_t segmentEnd =
        nextWrap < wraps.size() ? std::min<std::size_t>(wraps[nextWrap], view.size) : view.size;
    for (; i < segmentEnd; ++i) {
      // A word of records without a matching atom, the open run without one so far: no run
      // that ends in the word is kept, so only the order is looked at and where the last run
      // begins. Most of a file is such words.
      if (i % kWordBits == 0 && i + kWordBits <= segmentEnd && matched[i / kWordBits] == 0 &&
          inRun_ && !matched_ && !anyBit(matched, start, i)) {
        skipUnmatchedWord(view, i, offset, kept, start);
        i += kWordBits - 1;
        continue;
      }
      const std::int32_t number = view.records[i].residueNumber + offset;
      if (inRun_ && number == number_) continue;
      if (inRun_) {
        if (matched_ || anyBit(matched, start, i)) {
          atoms_ += length_ + static_cast<std::int64_t>(i - start);
          keepTo(i);
        }
        if (number < number_) {
          inOrder_ = false;
          kept.reset();
        }
      }
      waiting_.clear();
      waitingOffsets_.clear();
      start = i;
      inRun_ = true;
      number_ = number;
      length_ = 0;
      matched_ = false;
    }
  }
  // The run goes on in the next chunk: its records here wait with it.
  if (inRun_) {
    matched_ = matched_ || anyBit(matched, start, view.size);
    length_ += static_cast<std::int64_t>(view.size - start);
    if (kept) {
      for (std::size_t k = start; k < view.size; ++k) {
        waiting_.push_back(view.records[k]);
        waitingOffsets_.push_back(keepOffsets.at(static_cast<std::uint32_t>(k)));
      }
      if (waiting_.size() > kLongestWaitingRun) kept.reset();
    }
  }
}

void ResidueRuns::finish(std::unique_ptr<KeptAtoms>& kept) {
  if (matched_) {
    atoms_ += length_;
    if (kept) keepWaiting(*kept);
  }
  waiting_.clear();
  waitingOffsets_.clear();
  matched_ = false;
  inRun_ = false;
}

}  // namespace selection
