// The selected atoms of a frame kept as the first pass finds them, so that the write pass
// formats them without reading and converting the file's lines a second time: their records
// in a RecordSpill (memory first, then an unnamed temporary file) and the points where their
// true atom numbers step past a multiple of 100000.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "frames/atom_table.h"
#include "frames/record_spill.h"

namespace selection {

class KeptAtoms {
 public:
  explicit KeptAtoms(std::size_t memoryBytes) : records_(memoryBytes) {}

  // Keeps `record`, whose true atom number is its number plus `atomOffset` (offsets never
  // fall from one kept atom to the next). Batched: flush() hands the batch on.
  void add(const frames::AtomRecord& record, std::int32_t atomOffset);
  void flush();

  // Atoms kept so far, the batch included.
  std::uint64_t size() const { return records_.size() + batch_.size(); }

  // Calls visit(view) for the kept atoms in order, a chunk of at most `capacity` at a time
  // (read into `room` when they were spilled), each view with its atom wraps.
  void replay(frames::AtomRecord* room, std::size_t capacity,
              const std::function<void(const frames::AtomTable&)>& visit);

 private:
  frames::RecordSpill records_;
  std::vector<frames::AtomRecord> batch_;
  // Kept-atom indices where the offset grows by kNumberWrap (repeated for a larger step).
  std::vector<std::uint32_t> wraps_;
  std::int32_t offset_ = 0;
};

}  // namespace selection
