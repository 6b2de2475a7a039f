// Line output: a finished record handed to the unit's output buffer with its line end, the
// buffer handed to the platform in large blocks, and pending records completed before
// another statement writes to their file.
#include <new>
#include <string>
#include <string_view>

#include "textio/reports/run_lock.h"
#include "textio/units/unit.h"

namespace textio::units {

namespace {

// Completed records of a file are handed to the platform in blocks of about this size.
constexpr std::size_t kOutputFlushSize = 64 * 1024;

constexpr int kRecordOverflow = 66;

void appendToRecord(UnitEntry& unit, std::string_view columns) {
  try {
    unit.record.append(columns);
  } catch (const std::bad_alloc&) {
    issueReport(reports::severeCode(41));
  }
  if (unit.recordLength > 0 && unit.record.size() > static_cast<std::size_t>(unit.recordLength)) {
    failStatement(unit, kRecordOverflow);
  }
}

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
    issueReport(reports::severeCode(41));
  }
  unit.record.clear();
  unit.pending = false;
  if (unit.output.size() >= kOutputFlushSize) flushOutput(unit);
}

void writeText(int unit, std::string_view text) {
  if (text.empty()) return;
  Statement statement(unit, StatementKind::Write);
  UnitEntry& entry = statement.unit();
  // A record left open by non-advancing output is continued; anything else starts afresh.
  if (!entry.pending) entry.record.clear();
  entry.pending = false;
  std::size_t from = 0;
  const std::size_t lastFeed = text.rfind('\n');
  const std::size_t complete = lastFeed == std::string_view::npos ? 0 : lastFeed + 1;
  // Record by record while a continued record or a record length needs the record itself.
  while (from < complete && (!entry.record.empty() || entry.recordLength > 0)) {
    const std::size_t feed = text.find('\n', from);
    appendToRecord(entry, text.substr(from, feed - 1 - from));  // without its CR LF
    endRecord(entry);
    from = feed + 1;
  }
  // Whole records straight into the output buffer, handed to the platform after the record
  // that brings it to kOutputFlushSize bytes, where endRecord would hand it over.
  while (from < complete) {
    const std::size_t room =
        entry.output.size() < kOutputFlushSize ? kOutputFlushSize - entry.output.size() : 0;
    std::size_t end = complete;
    if (from + room < complete) end = text.find('\n', from + (room == 0 ? 0 : room - 1)) + 1;
    try {
      entry.output.append(text.substr(from, end - from));
    } catch (const std::bad_alloc&) {
      issueReport(reports::severeCode(41));
    }
    from = end;
    if (entry.output.size() >= kOutputFlushSize) flushOutput(entry);
  }
  if (from < text.size()) {
    appendToRecord(entry, text.substr(from));
    entry.pending = true;
  }
}

std::size_t textBeforeHandOver(int unit, std::string_view text) {
  reports::detail::RunTimeHold hold;
  const UnitEntry& entry = detail::unitTable().entry(unit);
  // The output grows by whole records; a pending record joins it when the first one ends.
  const std::size_t held = entry.output.size() + (entry.pending ? entry.record.size() : 0);
  const std::size_t room = held < kOutputFlushSize ? kOutputFlushSize - held : 0;
  const std::size_t feed = text.find('\n', room == 0 ? 0 : room - 1);
  return feed == std::string_view::npos ? std::string_view::npos : feed + 1;
}

void flushOutput(UnitEntry& unit) {
  if (platform::ErrorCode error = detail::writeBuffered(unit); error != 0) {
    unit.lastError = error;
    failStatement(unit, 38);
  }
}

}  // namespace textio::units
