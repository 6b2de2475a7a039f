// Line feeds counted 64 bytes a round; a file's lines skipped a megabyte at a time, the exact
// line feed found in the block where the count is reached.
#include "textio/bulk/line_skip.h"

#include <cstring>
#include <vector>

namespace textio::bulk {
namespace {

constexpr std::size_t kScanBytes = 1 << 20;
constexpr char kEndOfFileByte = 26;
constexpr char kLineFeed = '\n';

}  // namespace

// Four times sixteen bytes at a time.
std::uint64_t countLineFeeds(const char* begin, const char* end) {
  using Bytes = unsigned char __attribute__((vector_size(16)));
  constexpr std::ptrdiff_t kStep = 4 * sizeof(Bytes);
  std::uint64_t count = 0;
  const char* p = begin;
  Bytes feeds{};
  for (int i = 0; i < 16; ++i) feeds[i] = kLineFeed;
  const auto feedsAt = [&feeds](const char* at) {
    Bytes chunk;
    std::memcpy(&chunk, at, sizeof chunk);
    return reinterpret_cast<Bytes>(chunk == feeds);
  };
  while (end - p >= kStep) {
    // Each equal byte gives 0xFF and a round adds four of them to a lane at most, so 63
    // rounds count into bytes without overflow.
    Bytes sums{};
    for (int round = 0; round < 63 && end - p >= kStep; ++round, p += kStep) {
      sums -= (feedsAt(p) + feedsAt(p + 16)) + (feedsAt(p + 32) + feedsAt(p + 48));
    }
    for (int i = 0; i < 16; ++i) count += sums[i];
  }
  for (; p != end; ++p) count += *p == kLineFeed ? 1 : 0;
  return count;
}

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

}  // namespace textio::bulk
