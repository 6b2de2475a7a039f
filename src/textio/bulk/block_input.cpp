// Blocks of whole lines read into two buffers in turn, taken from and given back to a unit.
#include "textio/bulk/block_input.h"

#include <string.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/platform.h"
#include "textio/units/unit.h"

namespace textio::bulk {

namespace {

// Bytes up to and including the last line feed of [text, text + size).
std::size_t completeBytes(const char* text, std::size_t size) {
  const void* feed = size == 0 ? nullptr : ::memrchr(text, '\n', size);
  return feed == nullptr ? 0 : static_cast<std::size_t>(static_cast<const char*>(feed) - text) + 1;
}

}  // namespace

BlockInput::BlockInput(std::size_t blockBytes) : blockBytes_(std::max<std::size_t>(blockBytes, 1)) {
  for (char*& buffer : buffers_) buffer = static_cast<char*>(platform::allocatePages(blockBytes_));
  if (buffers_[0] == nullptr || buffers_[1] == nullptr) {
    for (char*& buffer : buffers_) {
      platform::releasePages(buffer, blockBytes_);
      buffer = nullptr;
    }
  }
}

BlockInput::~BlockInput() {
  for (char* buffer : buffers_) platform::releasePages(buffer, blockBytes_);
}

std::size_t BlockInput::fill(int which, std::size_t filled, std::size_t most) {
  units::Statement statement(unit_, units::StatementKind::Read);
  units::UnitEntry& unit = statement.unit();
  char* const buffer = buffers_[which];
  const std::size_t limit = std::max(filled, std::min(most, blockBytes_));
  // Fresh pages read into one at a time fault one at a time; made present in one call, the
  // first blocks of a run cost a fraction of that.
  if (limit > prepared_[which]) {
    platform::preparePages(buffer + prepared_[which], limit - prepared_[which]);
    prepared_[which] = limit;
  }
  while (filled < limit) {
    // Bytes the unit had read before come first, then the platform's.
    if (unit.inputBegin < unit.inputEnd) {
      const std::size_t taken = std::min(unit.inputEnd - unit.inputBegin, limit - filled);
      std::memcpy(buffer + filled, unit.input.data() + unit.inputBegin, taken);
      unit.inputBegin += taken;
      filled += taken;
      continue;
    }
    unit.inputBegin = unit.inputEnd = 0;
    if (exhausted_ || failed_) break;
    const platform::ReadResult got =
        units::detail::readUnlocked(unit, buffer + filled, limit - filled);
    if (got.error != 0) {
      failed_ = true;
      break;
    }
    if (got.bytes == 0) {
      exhausted_ = true;
      break;
    }
    filled += got.bytes;
  }
  return filled;
}

void BlockInput::begin(int unit, std::size_t most) {
  unit_ = unit;
  current_ = 0;
  readAheadDone_ = false;
  failed_ = false;
  {
    units::Statement statement(unit_, units::StatementKind::Read);
    exhausted_ = statement.unit().inputExhausted;
    if (statement.unit().endSeen) {
      currentBytes_ = currentComplete_ = 0;
      return;
    }
  }
  currentBytes_ = fill(current_, 0, most);
  currentComplete_ = completeBytes(buffers_[current_], currentBytes_);
}

std::string_view BlockInput::lines() const { return {buffers_[current_], currentComplete_}; }

void BlockInput::readAhead(std::size_t most) {
  const int other = 1 - current_;
  // The unfinished last line of the current block begins the next one.
  const std::size_t tail = currentBytes_ - currentComplete_;
  std::memcpy(buffers_[other], buffers_[current_] + currentComplete_, tail);
  aheadBytes_ = fill(other, tail, most);
  readAheadDone_ = true;
}

void BlockInput::next() {
  current_ = 1 - current_;
  currentBytes_ = aheadBytes_;
  currentComplete_ = completeBytes(buffers_[current_], currentBytes_);
  readAheadDone_ = false;
}

void BlockInput::giveBack(std::size_t taken) {
  units::Statement statement(unit_, units::StatementKind::Read);
  units::UnitEntry& unit = statement.unit();
  // Not taken: the current block from `taken` on (its unfinished line is the start of the
  // block read ahead, when there is one), then the block read ahead, then whatever the unit
  // still holds.
  const char* const current = buffers_[current_] + taken;
  const std::size_t currentRest = (readAheadDone_ ? currentComplete_ : currentBytes_) - taken;
  const std::size_t ahead = readAheadDone_ ? aheadBytes_ : 0;
  const std::size_t held = unit.inputEnd - unit.inputBegin;
  const std::size_t total = currentRest + ahead + held;
  if (unit.input.size() < total) {
    try {
      unit.input.resize(total);
    } catch (const std::bad_alloc&) {
      units::failStatement(unit, 22);
    } catch (const std::length_error&) {
      units::failStatement(unit, 22);
    }
  }
  std::memmove(unit.input.data() + currentRest + ahead, unit.input.data() + unit.inputBegin, held);
  std::memcpy(unit.input.data(), current, currentRest);
  std::memcpy(unit.input.data() + currentRest, buffers_[1 - current_], ahead);
  unit.inputBegin = 0;
  unit.inputEnd = total;
  unit.inputExhausted = exhausted_;
  currentBytes_ = currentComplete_ = aheadBytes_ = 0;
  readAheadDone_ = false;
}

}  // namespace textio::bulk
