// Records kept in memory and, past the budget, in an unnamed temporary file.
#include "frames/record_spill.h"

#include <algorithm>

#include "textio/units/report.h"
#include "textio/units/unit.h"

namespace frames {
namespace {

// The spill's failures are the coordinate file's: its records could not be kept.
[[noreturn]] void failSpill(int number, platform::ErrorCode error) {
  textio::units::Statement statement(kCoordinateUnit, textio::units::StatementKind::Read);
  statement.unit().lastError = error;
  textio::units::failStatement(statement.unit(), number);
}

}  // namespace

RecordSpill::RecordSpill(std::size_t memoryBytes)
    : memoryCapacity_(std::max<std::size_t>(memoryBytes / sizeof(AtomRecord), 1)) {}

RecordSpill::~RecordSpill() {
  if (file_ != platform::kInvalidHandle) platform::closeHandle(file_);
  platform::releasePages(memory_, memoryCapacity_ * sizeof(AtomRecord));
}

void RecordSpill::append(std::span<const AtomRecord> records) {
  if (memory_ == nullptr && !memoryRefused_ && !records.empty()) {
    memory_ =
        static_cast<AtomRecord*>(platform::allocatePages(memoryCapacity_ * sizeof(AtomRecord)));
    memoryRefused_ = memory_ == nullptr;
  }
  if (filed_ == 0 && memory_ != nullptr && memorySize_ < memoryCapacity_) {
    const std::size_t kept = std::min(records.size(), memoryCapacity_ - memorySize_);
    std::copy(records.begin(), records.begin() + static_cast<long>(kept), memory_ + memorySize_);
    memorySize_ += kept;
    records = records.subspan(kept);
  }
  if (records.empty()) return;
  if (file_ == platform::kInvalidHandle) {
    const platform::OpenResult opened = platform::openScratchFile();
    if (opened.error != 0) failSpill(30, opened.error);
    file_ = opened.handle;
  }
  if (platform::ErrorCode error = platform::writeAll(
          file_, reinterpret_cast<const char*>(records.data()), records.size_bytes())) {
    failSpill(38, error);
  }
  filed_ += records.size();
}

void RecordSpill::rewind() {
  memoryAt_ = 0;
  fileAt_ = 0;
  if (file_ != platform::kInvalidHandle) {
    if (platform::ErrorCode error = platform::seekTo(file_, 0)) failSpill(39, error);
  }
}

std::span<const AtomRecord> RecordSpill::next(AtomRecord* room, std::size_t capacity) {
  if (memoryAt_ < memorySize_) {
    const std::size_t count = std::min(capacity, memorySize_ - memoryAt_);
    const std::span<const AtomRecord> chunk(memory_ + memoryAt_, count);
    memoryAt_ += count;
    return chunk;
  }
  const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, filed_ - fileAt_));
  char* const into = reinterpret_cast<char*>(room);
  const std::size_t bytes = count * sizeof(AtomRecord);
  for (std::size_t got = 0; got < bytes;) {
    const platform::ReadResult read = platform::readSome(file_, into + got, bytes - got);
    if (read.error != 0) failSpill(39, read.error);
    if (read.bytes == 0) failSpill(39, 0);  // the file lost records it was given
    got += read.bytes;
  }
  fileAt_ += count;
  return {room, count};
}

}  // namespace frames
