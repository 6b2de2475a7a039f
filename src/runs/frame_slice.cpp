// The --frames slice: digits only, so that "-1" (Python's last frame) is refused rather
// than read as something it is not.
#include "runs/frame_slice.h"

#include <limits>
#include <vector>

#include "textio/freeform/typed_text.h"

namespace runs {
namespace {

// A part of the slice: empty (nullopt in `value`) or decimal digits that fit 64 bits.
bool readPart(std::string_view part, std::optional<std::uint64_t>& value) {
  value.reset();
  if (part.empty()) return true;
  std::uint64_t number = 0;
  for (const char c : part) {
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (number > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return false;
    number = number * 10 + digit;
  }
  value = number;
  return true;
}

}  // namespace

std::string parseFrameSlice(std::string_view text, FrameSlice& slice) {
  const std::string invalid = "--frames: " + textio::freeform::quoted(text) +
                              " is not all, a frame number or START:STOP[:STEP] of "
                              "non-negative numbers";
  if (text == "all") {
    slice = {};
    return {};
  }
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t colon = text.find(':', start);
    parts.push_back(text.substr(start, colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (parts.size() > 3) return invalid;
  std::optional<std::uint64_t> values[3];
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!readPart(parts[i], values[i])) return invalid;
  }
  FrameSlice read;
  if (parts.size() == 1) {
    // One index N: the frames N:N+1.
    if (!values[0] || *values[0] == std::numeric_limits<std::uint64_t>::max()) return invalid;
    read.start = *values[0];
    read.stop = *values[0] + 1;
  } else {
    read.start = values[0].value_or(0);
    read.stop = values[1];
    if (parts.size() == 3 && values[2]) {
      if (*values[2] == 0)
        return "--frames: the step of " + textio::freeform::quoted(text) + " is 0";
      read.step = *values[2];
    }
  }
  slice = read;
  return {};
}

}  // namespace runs
