// The records of a coordinate file that cannot be read again (a pipe, a FIFO, the standard
// input), kept for the passes after the first: the first ones in memory up to a fixed
// budget, the rest in an unnamed temporary file under TMPDIR, which the system removes when
// the process ends, whatever ends it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "frames/atom_table.h"
#include "platform/platform.h"

namespace frames {

class RecordSpill {
 public:
  // Keeps up to `memoryBytes` of records in memory before it spills.
  explicit RecordSpill(std::size_t memoryBytes);
  ~RecordSpill();
  RecordSpill(const RecordSpill&) = delete;
  RecordSpill& operator=(const RecordSpill&) = delete;

  // Keeps `records` after those kept before. A temporary file that cannot be made or
  // written is a severe report for unit 10 (30, 38).
  void append(std::span<const AtomRecord> records);

  // The records kept, from the first, a chunk at a time: rewind(), then next() until it
  // gives an empty chunk. A chunk lies in memory or in `room` (room for `capacity`).
  void rewind();
  std::span<const AtomRecord> next(AtomRecord* room, std::size_t capacity);

  std::uint64_t size() const { return memorySize_ + filed_; }
  bool spilled() const { return filed_ > 0; }

 private:
  std::size_t memoryCapacity_;
  // The records in memory, in pages taken at the first append: large pages where the system
  // has them, so that filling them takes a fault per 2 MiB instead of one per 4 KiB. When
  // the pages cannot be had, every record goes to the file.
  AtomRecord* memory_ = nullptr;
  std::size_t memorySize_ = 0;
  bool memoryRefused_ = false;
  platform::Handle file_ = platform::kInvalidHandle;
  std::uint64_t filed_ = 0;  // records in the file
  std::size_t memoryAt_ = 0;
  std::uint64_t fileAt_ = 0;
};

}  // namespace frames
