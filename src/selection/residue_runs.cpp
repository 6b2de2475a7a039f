// Residue runs followed record by record, across the edges of chunks.
#include "selection/residue_runs.h"

namespace selection {
namespace {

constexpr std::size_t kWordBits = 64;
// A residue run longer than this is not held back for keeping: the file is read again.
constexpr std::size_t kLongestWaitingRun = 1 << 16;

}  // namespace

void ResidueRuns::keepWaiting(KeptAtoms& kept) {
  for (std::size_t k = 0; k < waiting_.size(); ++k) kept.add(waiting_[k], waitingOffsets_[k]);
}

void ResidueRuns::follow(const frames::AtomTable& view, const std::vector<std::uint64_t>& matched,
                         std::unique_ptr<KeptAtoms>& kept) {
  frames::WrapCursor offsets(view.residueWraps);
  frames::WrapCursor keepOffsets(view.atomWraps);  // asked for records in order
  std::size_t start = 0;  // the run's first record here (earlier: waiting_)
  const auto keepTo = [&](std::size_t end) {
    if (!kept) return;
    keepWaiting(*kept);
    for (std::size_t k = start; k < end; ++k) {
      kept->add(view.records[k], keepOffsets.at(static_cast<std::uint32_t>(k)));
    }
  };
  for (std::size_t i = 0; i < view.size; ++i) {
    const std::int32_t number = view.records[i].residueNumber + offsets.next();
    if (!inRun_ || number != number_) {
      if (matched_) {
        atoms_ += length_;
        keepTo(i);
      }
      waiting_.clear();
      waitingOffsets_.clear();
      start = i;
      if (inRun_ && number < number_) {
        inOrder_ = false;
        kept.reset();
      }
      inRun_ = true;
      number_ = number;
      length_ = 0;
      matched_ = false;
    }
    ++length_;
    matched_ = matched_ || ((matched[i / kWordBits] >> (i % kWordBits)) & 1u);
  }
  // The run goes on in the next chunk: its records here wait with it.
  if (inRun_ && kept) {
    for (std::size_t k = start; k < view.size; ++k) {
      waiting_.push_back(view.records[k]);
      waitingOffsets_.push_back(keepOffsets.at(static_cast<std::uint32_t>(k)));
    }
    if (waiting_.size() > kLongestWaitingRun) kept.reset();
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
