// Offsets of a unit's input and the move back to one of them.
#include "textio/bulk/input_position.h"

#include "platform/platform.h"
#include "textio/units/unit.h"

namespace textio::bulk {

std::optional<std::uint64_t> inputOffset(int unit) {
  units::Statement statement(unit, units::StatementKind::Inquiry);
  const units::UnitEntry& entry = statement.unit();
  if (!entry.connected || entry.console || !platform::fileSize(entry.handle)) return std::nullopt;
  const std::optional<std::uint64_t> position = platform::filePosition(entry.handle);
  const std::uint64_t buffered = entry.inputEnd - entry.inputBegin;
  if (!position || *position < buffered) return std::nullopt;
  return *position - buffered;
}

void resumeInputAt(int unit, std::uint64_t offset) {
  units::Statement statement(unit, units::StatementKind::Read);
  units::UnitEntry& entry = statement.unit();
  if (platform::ErrorCode error = platform::seekTo(entry.handle, offset)) {
    entry.lastError = error;
    units::failStatement(entry, 39);
  }
  entry.inputBegin = entry.inputEnd = 0;
  entry.inputExhausted = false;
  entry.endSeen = false;
  entry.longLine.clear();
}

}  // namespace textio::bulk
