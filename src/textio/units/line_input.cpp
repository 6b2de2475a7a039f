// Line input: the next line of a unit from large blocks read from the platform, a look at it
// without consuming it, lines cut to a number of kept columns.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "textio/reports/run_lock.h"
#include "textio/units/unit.h"

namespace textio::units {

namespace {

constexpr std::size_t kInputBlock = 64 * 1024;
constexpr std::size_t kMostReadAtOnce = 256 * 1024;
constexpr char kEndOfFileByte = 26;  // Ctrl+Z alone on a line ends the input

// Ctrl+C on a pipeline also ends the process that feeds the console, and a closed terminal
// hangs up and ends the input together: a console event that reached the process before its
// console input ended or failed ends the run as that event, never as report 24 or 39.
ReadStatus endOfInput(UnitEntry& unit, ReadStatus status) {
  if (unit.console) {
    const int holds = reports::detail::runTimeLock().releaseAll();
    platform::yieldToConsoleEvent();
    reports::detail::runTimeLock().reacquire(holds);
  }
  return status;
}

// The unfinished line fills the whole buffer and is longer than the unit keeps: its first
// keptColumns bytes stay at the front as the line, and the rest is read into the space after
// them and dropped, up to its line feed, without the buffer ever growing.
ReadStatus passOverRest(UnitEntry& unit, std::string_view& line) {
  const std::size_t kept = unit.keptColumns;
  char* const rest = unit.input.data() + kept;
  for (;;) {
    const platform::ReadResult got = detail::readUnlocked(unit, rest, unit.input.size() - kept);
    if (got.error != 0) {
      // A later read goes on with the same line.
      unit.inputBegin = 0;
      unit.inputEnd = kept;
      unit.lastError = got.error;
      return ReadStatus::Failed;
    }
    if (got.bytes == 0) {
      // The kept columns stay in the buffer as consumed bytes, so that a peek that steps
      // back to the line's start finds it again.
      unit.inputExhausted = true;
      unit.inputBegin = kept;
      unit.inputEnd = kept;
      break;
    }
    if (const void* feed = std::memchr(rest, '\n', got.bytes)) {
      unit.inputBegin = static_cast<std::size_t>(static_cast<const char*>(feed) - rest) + kept + 1;
      unit.inputEnd = kept + got.bytes;
      break;
    }
  }
  line = std::string_view(unit.input.data(), kept);
  return ReadStatus::Ok;
}

}  // namespace

ReadStatus nextRecord(UnitEntry& unit, std::string_view& line) {
  if (unit.endSeen) return ReadStatus::End;
  for (;;) {
    const char* begin = unit.input.data() + unit.inputBegin;
    const std::size_t available = unit.inputEnd - unit.inputBegin;
    const void* feed = available > 0 ? std::memchr(begin, '\n', available) : nullptr;
    if (feed != nullptr || (unit.inputExhausted && available > 0)) {
      std::size_t length = feed != nullptr
                               ? static_cast<std::size_t>(static_cast<const char*>(feed) - begin)
                               : available;
      unit.inputBegin += feed != nullptr ? length + 1 : length;
      // A carriage return belongs to the line end only when a line feed follows it.
      if (feed != nullptr && length > 0 && begin[length - 1] == '\r') --length;
      if (length == 1 && begin[0] == kEndOfFileByte) {
        unit.endSeen = true;
        return endOfInput(unit, ReadStatus::End);
      }
      if (unit.keptColumns != 0) length = std::min(length, unit.keptColumns);
      line = std::string_view(begin, length);
      return ReadStatus::Ok;
    }
    if (unit.inputExhausted) {
      unit.endSeen = true;
      return endOfInput(unit, ReadStatus::End);
    }

    // Need more bytes: keep the unfinished line at the front, grow when it fills the buffer.
    if (unit.inputBegin > 0) {
      std::memmove(unit.input.data(), begin, available);
      unit.inputBegin = 0;
      unit.inputEnd = available;
    }
    if (unit.inputEnd == unit.input.size()) {
      if (unit.keptColumns != 0 && available > unit.keptColumns) return passOverRest(unit, line);
      // Nothing short of the machine's memory would stop an endless line otherwise.
      if (unit.input.size() >= kMaxWholeLine) failStatement(unit, 22);
      try {
        unit.input.resize(unit.input.empty() ? kInputBlock : unit.input.size() * 2);
      } catch (const std::bad_alloc&) {
        failStatement(unit, 22);
      } catch (const std::length_error&) {
        failStatement(unit, 22);
      }
    }
    // Read in pieces however large the buffer has grown: a bulk reader that takes the unit's
    // input over (a frame's atom lines, a block at a time) copies what the unit holds first,
    // so a few lines read here must not fill megabytes ahead.
    const platform::ReadResult got =
        detail::readUnlocked(unit, unit.input.data() + unit.inputEnd,
                             std::min(unit.input.size() - unit.inputEnd, kMostReadAtOnce));
    if (got.error != 0) {
      unit.lastError = got.error;
      return endOfInput(unit, ReadStatus::Failed);
    }
    if (got.bytes == 0) unit.inputExhausted = true;
    unit.inputEnd += got.bytes;
  }
}

ReadStatus peekRecord(UnitEntry& unit, std::string_view& line) {
  const ReadStatus status = nextRecord(unit, line);
  // A line handed out begins at the first unconsumed byte of the buffer (after the
  // unfinished line was moved to the front, when more bytes had to be read): consuming
  // from there again gives the same line.
  if (status == ReadStatus::Ok) {
    unit.inputBegin = static_cast<std::size_t>(line.data() - unit.input.data());
  }
  return status;
}

void keepInputColumns(int unit, std::size_t columns) {
  reports::detail::RunTimeHold hold;
  detail::unitTable().entry(unit).keptColumns = columns;
}

namespace detail {

platform::ReadResult readUnlocked(UnitEntry& unit, char* into, std::size_t capacity) {
  const int holds = reports::detail::runTimeLock().releaseAll();
  platform::ReadResult got = platform::readSome(unit.handle, into, capacity);
  reports::detail::runTimeLock().reacquire(holds);
  return got;
}

}  // namespace detail

}  // namespace textio::units
