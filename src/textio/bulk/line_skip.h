// Counting lines fast: the line feeds in a text, and where the line after a frame's atom lines
// begins in a regular file, found straight from the file (without the unit, and without moving
// the file's offset), so that --pbc can read a frame's box line before the passes over its
// atoms.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace textio::bulk {

struct LinesSkipped {
  enum class Kind {
    Found,   // `offset` is where the line after them begins
    Ended,   // the file ends before that line
    Unsure,  // a byte 26 (which ends a file for the line reader) or a failed read: the
             // caller reads the lines through the unit instead
  };
  Kind kind = Kind::Unsure;
  std::uint64_t offset = 0;
};

// The line feeds in [begin, end).
std::uint64_t countLineFeeds(const char* begin, const char* end);

// Skips `lines` lines from `from`, each ending in a line feed.
LinesSkipped skipLines(platform::Handle file, std::uint64_t from, std::uint64_t lines);

}  // namespace textio::bulk
