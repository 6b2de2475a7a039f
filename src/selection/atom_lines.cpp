// Bulk conversion of standard-layout atom lines: plain lines field by field at fixed columns,
// the rest through the general per-line rules; parts of a block on their own threads.
#include "selection/atom_lines.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>

#include "textio/fixed_fast.h"
#include "textio/fixed_layout.h"

namespace selection {
namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kEndOfFileByte = 26;
// Columns of an atom line with velocities, and of one with positions only.
constexpr std::size_t kFullColumns = 68;
constexpr std::size_t kPositionColumns = 44;
// More parts than this are never made, whatever the machine says.
constexpr unsigned kMostParts = 64;

// The line of kFullColumns columns and its line feed, the common case: no search needed.
const char* lineFeedOf(const char* line, const char* end) {
  if (end - line > static_cast<std::ptrdiff_t>(kFullColumns) && line[kFullColumns] == kLineFeed) {
    return line + kFullColumns;
  }
  return static_cast<const char*>(
      std::memchr(line, kLineFeed, static_cast<std::size_t>(end - line)));
}

// A plain atom line: the numbers in the shapes the fast conversions take, 68 columns or more
// (the columns after 68 are not read) or exactly 44 (no velocities: they are 0). Answers
// false for anything else; the record may then hold some fields of the line.
bool convertPlainLine(const char* line, std::size_t length, AtomRecord& record) {
  if (length < kFullColumns && length != kPositionColumns) return false;
  textio::IntegerField number;
  if (!textio::fast::parseIntegerWord(line, 5, number)) return false;
  record.residueNumber = number.value;
  if (!textio::fast::parseIntegerWord(line + 15, 5, number)) return false;
  record.atomNumber = number.value;
  std::memcpy(record.residueName, line + 5, 5);
  std::memcpy(record.atomName, line + 10, 5);
  textio::RealField real;
  float* const coordinates[] = {&record.x, &record.y, &record.z};
  for (int i = 0; i < 3; ++i) {
    if (!textio::fast::parseRealEightColumns(line + 20 + 8 * i, 3, real)) return false;
    *coordinates[i] = real.value;
  }
  if (length == kPositionColumns) {
    record.vx = record.vy = record.vz = 0.0f;
    return true;
  }
  float* const velocities[] = {&record.vx, &record.vy, &record.vz};
  for (int i = 0; i < 3; ++i) {
    if (!textio::fast::parseRealEightColumns(line + 44 + 8 * i, 4, real)) return false;
    *velocities[i] = real.value;
  }
  return true;
}

// Converts the lines of [begin, end) (the last byte a line feed), at most `limit`, into
// records[0...].
AtomLinesRead convertPart(const char* begin, const char* end, std::uint64_t limit,
                          AtomRecord* records) {
  AtomLinesRead done;
  const char* line = begin;
  for (; done.lines < limit && line != end; ++done.lines) {
    const char* const feed = lineFeedOf(line, end);
    std::size_t length = static_cast<std::size_t>(feed - line);
    if (length > 0 && line[length - 1] == kCarriageReturn) --length;
    if (length == 1 && line[0] == kEndOfFileByte) {
      done.stopped = true;
      break;
    }
    AtomRecord& record = records[done.records];
    if (convertPlainLine(line, length, record) ||
        textio::readFixedLine(textio::layouts::kAtomLine, kAtomLinePlaces,
                              std::string_view(line, length), &record) == 0) {
      ++done.records;
    }
    line = feed + 1;
  }
  done.bytes = static_cast<std::size_t>(line - begin);
  return done;
}

// Line feeds in [begin, end), sixteen bytes at a time.
std::uint64_t countLines(const char* begin, const char* end) {
  using Bytes = unsigned char __attribute__((vector_size(16)));
  std::uint64_t count = 0;
  const char* p = begin;
  Bytes feeds{};
  for (int i = 0; i < 16; ++i) feeds[i] = kLineFeed;
  while (end - p >= 16) {
    // Each equal byte gives 0xFF, so 255 rounds of subtraction count into bytes without overflow.
    Bytes sums{};
    for (int round = 0; round < 255 && end - p >= 16; ++round, p += 16) {
      Bytes chunk;
      std::memcpy(&chunk, p, sizeof chunk);
      sums -= reinterpret_cast<Bytes>(chunk == feeds);
    }
    for (int i = 0; i < 16; ++i) count += sums[i];
  }
  for (; p != end; ++p) count += *p == kLineFeed ? 1 : 0;
  return count;
}

// Runs work(part) for every part, parts 1.. on threads of their own and part 0 on this one,
// and joins them. A thread the system refuses does its part here instead.
template <typename Work>
void runParts(unsigned parts, Work&& work) {
  std::array<std::thread, kMostParts> threads;
  std::array<bool, kMostParts> inline_{};
  for (unsigned part = 1; part < parts; ++part) {
    try {
      threads[part] = std::thread(work, part);
    } catch (const std::system_error&) {
      inline_[part] = true;
    }
  }
  work(0u);
  for (unsigned part = 1; part < parts; ++part) {
    if (inline_[part]) {
      work(part);
    } else {
      threads[part].join();
    }
  }
}

}  // namespace

AtomLinesRead convertAtomLines(const char* text, std::size_t size, std::uint64_t maxLines,
                               AtomRecord* records, unsigned threads, std::size_t minPartBytes) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t worth = size / std::max<std::size_t>(minPartBytes, 1);
  const auto parts = static_cast<unsigned>(
      std::min<std::size_t>({threads, kMostParts, std::max<std::size_t>(worth, 1)}));
  if (parts <= 1) return convertPart(text, text + size, maxLines, records);

  // Parts end at line ends, near equal shares of the bytes (a part may be empty).
  std::array<const char*, kMostParts + 1> starts{};
  const char* const end = text + size;
  starts[0] = text;
  for (unsigned part = 1; part < parts; ++part) {
    const char* share = std::max(text + size / parts * part, starts[part - 1]);
    const void* feed = share == end
                           ? nullptr
                           : std::memchr(share, kLineFeed, static_cast<std::size_t>(end - share));
    starts[part] = feed == nullptr ? end : static_cast<const char*>(feed) + 1;
  }
  starts[parts] = end;

  // First the lines of each part, which place each part's records and apply the limit.
  std::array<std::uint64_t, kMostParts> lines{};
  runParts(parts, [&](unsigned part) { lines[part] = countLines(starts[part], starts[part + 1]); });
  std::array<std::uint64_t, kMostParts> first{};
  std::array<std::uint64_t, kMostParts> limit{};
  std::uint64_t before = 0;
  for (unsigned part = 0; part < parts; ++part) {
    first[part] = before;
    limit[part] = before >= maxLines ? 0 : std::min(lines[part], maxLines - before);
    before += lines[part];
  }

  // Each part into the records from its first line's index on; then the records of the
  // parts closed up where lines were skipped.
  std::array<AtomLinesRead, kMostParts> read{};
  runParts(parts, [&](unsigned part) {
    read[part] = convertPart(starts[part], starts[part + 1], limit[part], records + first[part]);
  });
  AtomLinesRead done;
  for (unsigned part = 0; part < parts; ++part) {
    if (done.records != first[part] && read[part].records > 0) {
      std::memmove(records + done.records, records + first[part],
                   read[part].records * sizeof(AtomRecord));
    }
    done.lines += read[part].lines;
    done.records += read[part].records;
    done.bytes = static_cast<std::size_t>(starts[part] - text) + read[part].bytes;
    if (read[part].stopped || read[part].lines < lines[part]) {
      done.stopped = read[part].stopped;
      break;
    }
  }
  return done;
}

}  // namespace selection
