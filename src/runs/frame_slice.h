// Which frames of a trajectory a run takes: `all`, one 0-based index `N`, or
// START:STOP[:STEP] with STOP excluded and each part optional, as a slice of non-negative
// numbers in Python.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace runs {

struct FrameSlice {
  std::uint64_t start = 0;
  std::optional<std::uint64_t> stop;  // none: to the last frame
  std::uint64_t step = 1;             // at least 1

  bool contains(std::uint64_t index) const {
    return index >= start && (!stop || index < *stop) && (index - start) % step == 0;
  }
  // No frame from `index` on is in the slice.
  bool endsBefore(std::uint64_t index) const { return stop && index >= *stop; }
};

// Reads SLICE into `slice`. Returns an empty text on success, else what is wrong with it
// (letters, signs, a step of 0, more than three parts, a number beyond 64 bits).
std::string parseFrameSlice(std::string_view text, FrameSlice& slice);

}  // namespace runs
