// Bulk conversion of standard-layout atom lines: plain lines field by field at fixed columns,
// the rest through the general per-line rules; parts of a block on their own threads.
#include "frames/atom_lines.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/crew.h"
#include "textio/bulk/line_skip.h"
#include "textio/fields/fixed_fast.h"
#include "textio/layouts/fixed_layout.h"

namespace frames {
namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kEndOfFileByte = 26;
// Columns of an atom line with velocities, and of one with positions only.
constexpr std::size_t kFullColumns = 68;
constexpr std::size_t kPositionColumns = 44;

// Whether the first kFullColumns bytes at `line` hold a line feed, sixteen at a time.
bool feedInFullColumns(const char* line) {
  using Bytes = unsigned char __attribute__((vector_size(16)));
  Bytes feeds{};
  for (int i = 0; i < 16; ++i) feeds[i] = kLineFeed;
  Bytes any{};
  for (const std::size_t at : {0, 16, 32, 48, 52}) {
    Bytes chunk;
    std::memcpy(&chunk, line + at, sizeof chunk);
    any |= reinterpret_cast<Bytes>(chunk == feeds);
  }
  std::uint64_t halves[2];
  std::memcpy(halves, &any, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

// The line of kFullColumns columns and its line feed, the common case: one look at the
// columns instead of a search. (A line feed in column 69 alone does not make such a line:
// short lines in a row, empty ones say, can put one there.)
const char* lineFeedOf(const char* line, const char* end) {
  if (end - line > static_cast<std::ptrdiff_t>(kFullColumns) && line[kFullColumns] == kLineFeed &&
      !feedInFullColumns(line)) {
    return line + kFullColumns;
  }
  return static_cast<const char*>(
      std::memchr(line, kLineFeed, static_cast<std::size_t>(end - line)));
}

#if defined(__SSE2__)
// 0xFF in every byte of `v` that is a decimal digit; bytes above 127 compare as negative.
__m128i digitBytesOf(__m128i v) {
  return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)),
                       _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
}

// Whether the 48 columns of `parts` are the six fields as GROMACS writes them (see
// convertStandardReals); `minusBytes` gets 0xFF in every column that holds a minus.
[[gnu::always_inline]] inline bool standardRealShape(const __m128i (&parts)[3],
                                                     __m128i (&minusBytes)[3]) {
  std::uint64_t digits = 0, blanks = 0, points = 0, minus = 0;
  const auto bitsOf = [](__m128i m) {
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(m)));
  };
  for (int i = 0; i < 3; ++i) {
    const __m128i v = parts[i];
    minusBytes[i] = _mm_cmpeq_epi8(v, _mm_set1_epi8('-'));
    digits |= bitsOf(digitBytesOf(v)) << (16 * i);
    blanks |= bitsOf(_mm_cmpeq_epi8(v, _mm_set1_epi8(' '))) << (16 * i);
    minus |= bitsOf(minusBytes[i]) << (16 * i);
    points |= bitsOf(_mm_cmpeq_epi8(v, _mm_set1_epi8('.'))) << (16 * i);
  }
  // Bit 8k + c is column c of field k: x, y, z (three decimals), then vx, vy, vz (four).
  constexpr std::uint64_t kFieldStarts = 0x010101010101u;
  constexpr std::uint64_t kPoints = 0x080808101010u;
  constexpr std::uint64_t kDigits = 0xF4F4F4E8E8E8u;  // after the point and just before it
  constexpr std::uint64_t kLeads = 0x030303070707u;   // blank, minus or digit
  if (points != kPoints || (digits & kDigits) != kDigits ||
      ((blanks | minus | digits) & kLeads) != kLeads) {
    return false;
  }
  // Blanks only as a field's first columns: adding a field's first bit carries through its
  // leading blanks to its first other column, which nothing else may hold; that column is
  // the only one a minus may stand in.
  const std::uint64_t firstOther = blanks + kFieldStarts;
  return (firstOther & blanks) == 0 && (minus & ~firstOther) == 0;
}
#endif

// Columns 21-68 as GROMACS writes them, three %8.3f and three %8.4f fields: in every field
// the point in its column (the fifth, or the fourth for four decimals), digits after it and
// just before it, and before those blanks, then an optional minus, then digits. The six
// fields are checked at once, a bit per column and byte class; the values are those
// parseRealEightColumns gives, which takes every such field. Answers false for any other
// shape, leaving the fields to the field-by-field path.
[[gnu::always_inline]] inline bool convertStandardReals(const char* columns, AtomRecord& record) {
#if defined(__SSE2__)
  const auto load = [columns](int at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + at));
  };
  const __m128i parts[] = {load(0), load(16), load(32)};
  __m128i minusBytes[3];
  if (!standardRealShape(parts, minusBytes)) return false;
  // The digits as numbers, every other column 0; a field's digits then hold the decimal n
  // whose float is the value: the point's column is 0 and takes no part, so columns 1-4 and
  // 5-8, read as four-digit numbers, give n = first * 1000 + second for both layouts
  // ("iiii.fff" and "iii.ffff"). The six fields go through the same lanes at once.
  const __m128i zero = _mm_setzero_si128();
  const __m128i columnWeights = _mm_setr_epi16(1000, 100, 10, 1, 1000, 100, 10, 1);
  __m128i fours[3];  // per part: first and second of its two fields (at most 9999 each)
  for (int i = 0; i < 3; ++i) {
    const __m128i number =
        _mm_and_si128(_mm_sub_epi8(parts[i], _mm_set1_epi8('0')), digitBytesOf(parts[i]));
    // Sums of two columns (at most 9900): 1-2, 3-4, 5-6, 7-8 of each field.
    const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi8(number, zero), columnWeights);
    const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi8(number, zero), columnWeights);
    fours[i] = _mm_madd_epi16(_mm_packs_epi32(low, high), _mm_set1_epi16(1));
  }
  const __m128i thousandAndOne = _mm_setr_epi16(1000, 1, 1000, 1, 1000, 1, 1000, 1);
  const __m128i first = _mm_madd_epi16(_mm_packs_epi32(fours[0], fours[1]), thousandAndOne);
  const __m128i last = _mm_madd_epi16(_mm_packs_epi32(fours[2], zero), thousandAndOne);
  // At most seven digits, below 2^24: one float division rounds the decimal correctly.
  const __m128 positions = _mm_div_ps(_mm_cvtepi32_ps(first), _mm_setr_ps(1e3f, 1e3f, 1e3f, 1e4f));
  const __m128 velocities = _mm_div_ps(_mm_cvtepi32_ps(last), _mm_setr_ps(1e4f, 1e4f, 1, 1));
  // The sign bit of a field with a minus, in the lanes of the values and without a branch
  // (signs are as unpredictable as the velocities): the sum of a field's eight minus bytes is
  // not zero exactly when it has one, and the sums of two parts packed side by side are the
  // lanes of four fields.
  const __m128i signBit = _mm_set1_epi32(static_cast<int>(0x80000000u));
  const auto signsOf = [&](__m128i sums) {
    return _mm_castsi128_ps(_mm_and_si128(_mm_cmpgt_epi32(sums, zero), signBit));
  };
  const __m128i sums[] = {_mm_sad_epu8(minusBytes[0], zero), _mm_sad_epu8(minusBytes[1], zero),
                          _mm_sad_epu8(minusBytes[2], zero)};
  float values[8];
  _mm_storeu_ps(values, _mm_xor_ps(positions, signsOf(_mm_packs_epi32(sums[0], sums[1]))));
  _mm_storeu_ps(values + 4, _mm_xor_ps(velocities, signsOf(_mm_packs_epi32(sums[2], zero))));
  static_assert(offsetof(AtomRecord, vz) == offsetof(AtomRecord, x) + 5 * sizeof(float));
  std::memcpy(reinterpret_cast<char*>(&record) + offsetof(AtomRecord, x), values,
              6 * sizeof(float));
  return true;
#else
  (void)columns;
  (void)record;
  return false;
#endif
}

// Columns 1-5 and 16-20, the residue and atom numbers as GROMACS writes them: blanks, an
// optional minus, then digits up to the field's last column (blanks only, or a minus alone,
// give 0 as parseIntegerWord does). Both fields are checked and converted in one vector, a bit
// per column and byte class as for the reals; false for any other shape (a plus, a blank
// after a digit), which parseIntegerWord then reads.
[[gnu::always_inline]] inline bool convertStandardNumbers(const char* line, std::int32_t& residue,
                                                          std::int32_t& atom) {
#if defined(__SSE2__)
  // Columns 1-8 in the low half and 13-20 in the high one: the fields are bytes 0-4 and 11-15.
  const __m128i v =
      _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(line)),
                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(line + 12)));
  const auto bitsOf = [](__m128i m) { return static_cast<unsigned>(_mm_movemask_epi8(m)); };
  const __m128i digitBytes = digitBytesOf(v);
  const unsigned digits = bitsOf(digitBytes);
  const unsigned minus = bitsOf(_mm_cmpeq_epi8(v, _mm_set1_epi8('-')));
  constexpr unsigned kFields = 0xF81Fu;  // bytes 0-4 and 11-15
  constexpr unsigned kStarts = 0x0801u;
  const unsigned blanks = bitsOf(_mm_cmpeq_epi8(v, _mm_set1_epi8(' '))) & kFields;
  // Blanks only as a field's first columns (the carry of its first bit runs through them to
  // its first other column), a minus only there, digits in every other column.
  const unsigned firstOther = (blanks + kStarts) & kFields;
  const unsigned rest = kFields & ~blanks;
  if ((firstOther & blanks) != 0 || (rest & ~digits & ~(firstOther & minus)) != 0) return false;
  // Each field's digits times their weights, summed in 32-bit lanes: 10 000 at most per digit.
  const __m128i zero = _mm_setzero_si128();
  const __m128i values = _mm_and_si128(_mm_sub_epi8(v, _mm_set1_epi8('0')), digitBytes);
  const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi8(values, zero),
                                     _mm_setr_epi16(10000, 1000, 100, 10, 1, 0, 0, 0));
  const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi8(values, zero),
                                      _mm_setr_epi16(0, 0, 0, 10000, 1000, 100, 10, 1));
  const __m128i pairs = _mm_add_epi32(_mm_unpacklo_epi64(low, high), _mm_unpackhi_epi64(low, high));
  const __m128i sums = _mm_add_epi32(pairs, _mm_shuffle_epi32(pairs, _MM_SHUFFLE(2, 3, 0, 1)));
  const auto signed32 = [](std::int32_t magnitude, bool negative) {
    const std::int32_t flip = -static_cast<std::int32_t>(negative);
    return (magnitude ^ flip) - flip;
  };
  residue = signed32(_mm_cvtsi128_si32(sums), (minus & 0x001Fu) != 0);
  atom = signed32(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)), (minus & 0xF800u) != 0);
  return true;
#else
  (void)line;
  (void)residue;
  (void)atom;
  return false;
#endif
}

// A plain atom line: the numbers in the shapes the fast conversions take, 68 columns or more
// (the columns after 68 are not read) or exactly 44 (no velocities: they are 0). Answers
// false for anything else; the record may then hold some fields of the line.
bool convertPlainLine(const char* line, std::size_t length, AtomRecord& record) {
  if (length < kFullColumns && length != kPositionColumns) return false;
  if (!convertStandardNumbers(line, record.residueNumber, record.atomNumber)) {
    textio::fields::IntegerField number;
    if (!textio::fields::fast::parseIntegerWord(line, 5, number)) return false;
    record.residueNumber = number.value;
    if (!textio::fields::fast::parseIntegerWord(line + 15, 5, number)) return false;
    record.atomNumber = number.value;
  }
  std::memcpy(record.residueName, line + 5, 5);
  std::memcpy(record.atomName, line + 10, 5);
  if (length >= kFullColumns && convertStandardReals(line + 20, record)) return true;
  textio::fields::RealField real;
  float* const coordinates[] = {&record.x, &record.y, &record.z};
  for (int i = 0; i < 3; ++i) {
    if (!textio::fields::fast::parseRealEightColumns(line + 20 + 8 * i, 3, real)) return false;
    *coordinates[i] = real.value;
  }
  if (length == kPositionColumns) {
    record.vx = record.vy = record.vz = 0.0f;
    return true;
  }
  float* const velocities[] = {&record.vx, &record.vy, &record.vz};
  for (int i = 0; i < 3; ++i) {
    if (!textio::fields::fast::parseRealEightColumns(line + 44 + 8 * i, 4, real)) return false;
    *velocities[i] = real.value;
  }
  return true;
}

// The common line, 68 columns in the shapes GROMACS writes and its line feed, converted
// without looking for its end first: the line feed in column 69 is the line's own when no
// column before it holds one, which the numbers' and reals' shapes rule out for their
// columns and one look does for the names'. False leaves the line to the general path (the
// record may then hold some of its fields).
bool convertWrittenLine(const char* line, const char* end, AtomRecord& record) {
#if defined(__SSE2__)
  if (end - line <= static_cast<std::ptrdiff_t>(kFullColumns) || line[kFullColumns] != kLineFeed) {
    return false;
  }
  const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line));
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(head, _mm_set1_epi8(kLineFeed))) != 0) return false;
  if (!convertStandardNumbers(line, record.residueNumber, record.atomNumber) ||
      !convertStandardReals(line + 20, record)) {
    return false;
  }
  std::memcpy(record.residueName, line + 5, 5);
  std::memcpy(record.atomName, line + 10, 5);
  return true;
#else
  (void)line;
  (void)end;
  (void)record;
  return false;
#endif
}

// Converts the lines of [begin, end) (the last byte a line feed), at most `limit`, into
// records[0...].
AtomLinesRead convertPart(const char* begin, const char* end, std::uint64_t limit,
                          AtomRecord* records) {
  AtomLinesRead done;
  const char* line = begin;
  for (; done.lines < limit && line != end; ++done.lines) {
    if (convertWrittenLine(line, end, records[done.records])) {
      ++done.records;
      line += kFullColumns + 1;
      continue;
    }
    const char* const feed = lineFeedOf(line, end);
    std::size_t length = static_cast<std::size_t>(feed - line);
    if (length > 0 && line[length - 1] == kCarriageReturn) --length;
    if (length == 1 && line[0] == kEndOfFileByte) {
      done.stopped = true;
      break;
    }
    AtomRecord& record = records[done.records];
    if (convertPlainLine(line, length, record) ||
        textio::layouts::readFixedLine(textio::layouts::kAtomLine, kAtomLinePlaces,
                                       std::string_view(line, length), &record) == 0) {
      ++done.records;
    }
    line = feed + 1;
  }
  done.bytes = static_cast<std::size_t>(line - begin);
  return done;
}

// The threads a converter of `threads` threads (0: one per core) runs, the caller counted when
// it works `alongside`.
unsigned allThreads(unsigned threads) {
  return std::min(threads == 0 ? platform::cores() : threads, kMostParts);
}

}  // namespace

AtomLineConverter::AtomLineConverter(unsigned threads, std::size_t minPartBytes, bool findWraps,
                                     bool alongside)
    : alongside_(alongside && allThreads(threads) > 1),
      threads_(threads),
      crew_(allThreads(threads) - (alongside_ ? 1 : 0), alongside_),
      minPartBytes_(std::max<std::size_t>(minPartBytes, 1)),
      findWraps_(findWraps) {}

void AtomLineConverter::placeParts() noexcept {
  std::uint64_t before = 0;
  for (unsigned part = 0; part < parts_; ++part) {
    first_[part] = before;
    limit_[part] = before >= maxLines_ ? 0 : std::min(lines_[part], maxLines_ - before);
    before += lines_[part];
  }
  converting_.store(true, std::memory_order_release);
}

void AtomLineConverter::convertParts() {
  for (unsigned part = nextToConvert_++; part < parts_; part = nextToConvert_++) {
    AtomRecord* const records = records_ + first_[part];
    read_[part] = convertPart(starts_[part], starts_[part + 1], limit_[part], records);
    if (findWraps_) {
      // While the part's records are still in the cache; the first one is compared with the
      // record before it when the parts are joined.
      partAtomWraps_[part].points.clear();
      partResidueWraps_[part].points.clear();
      findWrapsIn(records, 1, read_[part].records, 0, partAtomWraps_[part],
                  partResidueWraps_[part]);
    }
    if (recordTest_) recordTest_(records, read_[part].records);
  }
}

void AtomLineConverter::start(const char* text, std::size_t size, std::uint64_t maxLines,
                              AtomRecord* records, bool recordBefore) {
  recordBefore_ = recordBefore;
  text_ = text;
  records_ = records;
  maxLines_ = maxLines;
  // Several parts per thread, taken in turn: a thread slowed by the reading of the next block
  // takes fewer, and the reading thread takes what is left once it has read.
  parts_ = static_cast<unsigned>(std::min<std::size_t>(
      {kMostParts, std::size_t{crew_.size() + (alongside_ ? 1u : 0u)} * kPartsPerThread,
       std::max<std::size_t>(size / minPartBytes_, 1)}));
  const char* const end = text + size;
  starts_[0] = text;
  starts_[parts_] = end;
  // Parts end at line ends, near equal shares of the bytes (a part may be empty).
  for (unsigned part = 1; part < parts_; ++part) {
    const char* share = std::max(text + size / parts_ * part, starts_[part - 1]);
    const void* feed = share == end
                           ? nullptr
                           : std::memchr(share, kLineFeed, static_cast<std::size_t>(end - share));
    starts_[part] = feed == nullptr ? end : static_cast<const char*>(feed) + 1;
  }
  nextToCount_.store(0, std::memory_order_relaxed);
  nextToConvert_.store(0, std::memory_order_relaxed);
  converting_.store(false, std::memory_order_relaxed);
  if (parts_ == 1) {
    // One part needs no count: its records start at the first.
    lines_[0] = 0;
    first_[0] = 0;
    limit_[0] = maxLines;
    converting_.store(true, std::memory_order_relaxed);
    crew_.start(1, [this](unsigned) { convertParts(); });
    return;
  }
  // First the lines of every part, which place each part's records and apply the limit;
  // the last thread to finish counting places them, and then all convert.
  const unsigned threads = std::min(crew_.size(), parts_);
  counted_.emplace(static_cast<std::ptrdiff_t>(threads), Placement{this});
  crew_.start(threads, [this](unsigned) {
    for (unsigned part = nextToCount_++; part < parts_; part = nextToCount_++) {
      lines_[part] = textio::bulk::countLineFeeds(starts_[part], starts_[part + 1]);
    }
    counted_->arrive_and_wait();
    convertParts();
  });
}

void AtomLineConverter::help() {
  // The crew counts the parts' lines before any is converted, a fraction of the time their
  // conversion takes: waiting for that lets this thread take its share of the parts instead
  // of waiting for the crew to convert them all.
  while (!converting_.load(std::memory_order_acquire)) std::this_thread::yield();
  convertParts();
}

AtomLinesRead AtomLineConverter::finish() {
  help();
  crew_.wait();
  atomWraps_.points.clear();
  residueWraps_.points.clear();
  // The records of the parts closed up where lines were skipped (one part was not counted:
  // its records start at the first).
  AtomLinesRead done;
  for (unsigned part = 0; part < parts_; ++part) {
    const std::uint64_t base = done.records;
    if (base != first_[part] && read_[part].records > 0) {
      std::memmove(records_ + base, records_ + first_[part],
                   read_[part].records * sizeof(AtomRecord));
    }
    if (findWraps_ && read_[part].records > 0) {
      if (base > 0 || recordBefore_) {
        findWrapsIn(records_, base, base + 1, 0, atomWraps_, residueWraps_);
      }
      for (const std::uint32_t point : partAtomWraps_[part].points) {
        atomWraps_.points.push_back(static_cast<std::uint32_t>(base + point));
      }
      for (const std::uint32_t point : partResidueWraps_[part].points) {
        residueWraps_.points.push_back(static_cast<std::uint32_t>(base + point));
      }
    }
    done.lines += read_[part].lines;
    done.records += read_[part].records;
    done.bytes = static_cast<std::size_t>(starts_[part] - text_) + read_[part].bytes;
    if (read_[part].stopped || (parts_ > 1 && read_[part].lines < lines_[part])) {
      done.stopped = read_[part].stopped;
      break;
    }
  }
  return done;
}

AtomLinesRead convertAtomLines(const char* text, std::size_t size, std::uint64_t maxLines,
                               AtomRecord* records, unsigned threads, std::size_t minPartBytes) {
  AtomLineConverter converter(threads, minPartBytes);
  converter.start(text, size, maxLines, records);
  return converter.finish();
}

}  // namespace frames
