// Where a unit's input stands in its file, and going back there: a file read more than once
// (the atom lines of a frame, once to select and once to write) without being opened again.
#pragma once

#include <cstdint>
#include <optional>

namespace textio::bulk {

// The file offset of the unit's next unconsumed input byte, when the unit is a regular file
// that can be read again (not the console, a pipe or a device); otherwise nothing.
std::optional<std::uint64_t> inputOffset(int unit);

// Drops what the unit has buffered and moves its file to `offset` (one inputOffset gave), so
// that the next read statement reads from there as if for the first time. A failed move is
// report 39 for the unit.
void resumeInputAt(int unit, std::uint64_t offset);

}  // namespace textio::bulk
