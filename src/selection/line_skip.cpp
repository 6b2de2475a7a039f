// Counting line feeds a megabyte at a time, and the exact one in the block where the count
// is reached.
#include "selection/line_skip.h"

#include <cstring>
#include <vector>

#include "selection/atom_lines.h"

namespace selection {
namespace {

constexpr std::size_t kScanBytes = 1 << 20;
constexpr char kEndOfFileByte = 26;

}  // namespace

LinesSkipped skipLines(platform::Handle file, std::uint64_t from, std::uint64_t lines) {
  std::vector<char> buffer(kScanBytes);
  std::uint64_t at = from;
  std::uint64_t left = lines;
  for (;;) {
    const platform::ReadResult read = platform::readAt(file, at, buffer.data(), buffer.size());
    if (read.error != 0) return {LinesSkipped::Kind::Unsure, 0};
    if (read.bytes == 0) return {LinesSkipped::Kind::Ended, at};
    const char* const begin = buffer.data();
    const char* const end = begin + read.bytes;
    if (left == 0) {
      // The line after them exists; a byte 26 at its start would end the file there.
      return {*begin == kEndOfFileByte ? LinesSkipped::Kind::Unsure : LinesSkipped::Kind::Found,
              at};
    }
    if (std::memchr(begin, kEndOfFileByte, read.bytes) != nullptr) {
      return {LinesSkipped::Kind::Unsure, 0};
    }
    const std::uint64_t feeds = countLineFeeds(begin, end);
    if (feeds < left) {
      left -= feeds;
      at += read.bytes;
      continue;
    }
    const char* p = begin;
    for (; left > 0; --left) {
      p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
    }
    at += static_cast<std::uint64_t>(p - begin);
    if (p == end) continue;  // the next reading looks at the line's first byte
    return {*p == kEndOfFileByte ? LinesSkipped::Kind::Unsure : LinesSkipped::Kind::Found, at};
  }
}

}  // namespace selection
