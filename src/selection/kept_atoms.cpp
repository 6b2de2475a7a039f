// Selected atoms kept for the write pass, replayed with their wrapped atom numbers.
#include "selection/kept_atoms.h"

#include <algorithm>
#include <span>

namespace selection {
namespace {

// A batch small enough to stay in pages the run already has: a larger one costs fresh pages.
constexpr std::size_t kBatchRecords = 512;

}  // namespace

void KeptAtoms::add(const frames::AtomRecord& record, std::int32_t atomOffset) {
  for (; offset_ < atomOffset; offset_ += frames::kNumberWrap) {
    wraps_.push_back(static_cast<std::uint32_t>(size()));
  }
  batch_.push_back(record);
  if (batch_.size() >= kBatchRecords) flush();
}

void KeptAtoms::flush() {
  records_.append(batch_);
  batch_.clear();
}

void KeptAtoms::replay(frames::AtomRecord* room, std::size_t capacity,
                       const std::function<void(const frames::AtomTable&)>& visit) {
  flush();
  records_.rewind();
  frames::AtomTable view;
  std::uint32_t first = 0;    // index of the chunk's first kept atom
  std::size_t wrapsDone = 0;  // wrap points before the chunk
  for (std::span<const frames::AtomRecord> chunk = records_.next(room, capacity); !chunk.empty();
       chunk = records_.next(room, capacity)) {
    view.records = const_cast<frames::AtomRecord*>(chunk.data());
    view.size = chunk.size();
    view.atomWraps.points.clear();
    view.atomWraps.startOffset = static_cast<std::int32_t>(wrapsDone) * frames::kNumberWrap;
    const auto end = static_cast<std::uint32_t>(first + chunk.size());
    std::size_t w = wrapsDone;
    for (; w < wraps_.size() && wraps_[w] < end; ++w)
      view.atomWraps.points.push_back(wraps_[w] - first);
    visit(view);
    wrapsDone = w;
    first = end;
  }
}

}  // namespace selection
