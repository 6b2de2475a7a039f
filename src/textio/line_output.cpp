// Line output: a finished record handed to the unit's output buffer with its line end, the
// buffer handed to the platform in large blocks, and pending records completed before
// another statement writes to their file.
#include <new>
#include <string>

#include "textio/unit.h"

namespace textio {

namespace {

// Completed records of a file are handed to the platform in blocks of about this size.
constexpr std::size_t kOutputFlushSize = 64 * 1024;

}  // namespace

namespace detail {

void completePendingRecord(UnitEntry& unit) {
  if (!unit.pending) return;
  endRecord(unit);
}

void completePendingOfFile(const std::string& name, const UnitEntry& except) {
  if (name.empty()) return;
  for (auto& [number, other] : detail::unitTable()) {
    if (other.get() == &except || !other->connected || !other->pending) continue;
    if (other->name != name) continue;
    completePendingRecord(*other);
    flushOutput(*other);
  }
}

}  // namespace detail

void endRecord(UnitEntry& unit) {
  try {
    unit.output += unit.record;
    unit.output += "\r\n";
  } catch (const std::bad_alloc&) {
    issueReport(severeCode(41));
  }
  unit.record.clear();
  unit.pending = false;
  if (unit.output.size() >= kOutputFlushSize) flushOutput(unit);
}

void flushOutput(UnitEntry& unit) {
  if (platform::ErrorCode error = detail::writeBuffered(unit); error != 0) {
    unit.lastError = error;
    failStatement(unit, 38);
  }
}

}  // namespace textio
