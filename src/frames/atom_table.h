// The atom table: one record per atom line of the coordinate file, in file order, and the
// lines of unit 10 around the atom lines. The loader that fills it is table_loader.h's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "textio/bulk/block_input.h"
#include "textio/layouts/fixed_layout.h"

namespace frames {

inline constexpr int kCoordinateUnit = 10;
// Five-column atom and residue numbers wrap at this value in files of more atoms.
inline constexpr std::int32_t kNumberWrap = 100000;
inline constexpr std::int32_t kLargestFiveColumnCount = 99999;
// A number has wrapped when it is more than this below the one before it.
inline constexpr std::int32_t kWrapFall = kNumberWrap / 2;

struct AtomRecord {
  std::int32_t residueNumber;  // columns 1-5, as read
  char residueName[5];         // columns 6-10, blanks kept
  char atomName[5];            // columns 11-15, blanks kept
  // Not from the line: where a record test ran (see RecordTest), its answer; else anything.
  std::uint8_t mark;
  std::int32_t atomNumber;  // columns 16-20, as read
  float x, y, z;            // columns 21-44, nm
  float vx, vy, vz;         // columns 45-68, 0 when absent
};
static_assert(sizeof(AtomRecord) == 44, "one atom costs 44 bytes");

// A test of records just converted, run on the thread that converted them while they are in
// its cache: sets each record's mark.
using RecordTest = std::function<void(AtomRecord* records, std::size_t count)>;

// Where a sequence of five-column numbers wrapped: the record indices at which the number
// fell more than kWrapFall below the previous record's (a smaller fall is taken as written).
// The true number of record i is its value plus kNumberWrap times the count of wrap points at
// or before i. Found in files of any size: a region cut out of a large system keeps the
// numbers of the system it came from, wraps included.
struct NumberWraps {
  std::vector<std::uint32_t> points;
  // The offset of the first record: 0 for a whole file, the wraps of the records before it
  // for a chunk of a file read a piece at a time.
  std::int32_t startOffset = 0;
};

// Appends to `atoms` and `residues` the wrap points among records[begin, end): every record
// of the range is compared with the one just before it (records[begin - 1] too, which the
// caller makes sure exists). Points are indices into `records` plus `base`, in order.
void findWrapsIn(const AtomRecord* records, std::size_t begin, std::size_t end, std::size_t base,
                 NumberWraps& atoms, NumberWraps& residues);

// Atom lines written with more decimals: their decimal points lie d columns apart, d in
// this range (the standard layout's is 8).
inline constexpr int kNarrowestWideSpacing = 9;
inline constexpr int kWidestSpacing = 15;

struct AtomTable {
  AtomRecord* records = nullptr;   // one block for the whole run, or a frame's TableBlock
  std::size_t size = 0;            // records actually read
  std::int64_t declaredCount = 0;  // the count line's number
  bool endedEarly = false;         // the file ended before the count's atom lines did
  // The decimal-point spacing d of atom lines written with more decimals, as the first atom
  // line shows it; 0 for the standard layout. Every atom line was read with it, and
  // result.gro writes its atom lines with it.
  int decimalSpacing = 0;
  NumberWraps atomWraps;
  NumberWraps residueWraps;
  // Every record's mark was set by the load's record test (LoadTuning::recordTest), and the
  // records are as the test saw them.
  bool marked = false;
  // When it holds a word for every 64 records: the marks again, record i's as bit i (a
  // frame's, set by the threads that tested the records).
  std::vector<std::uint64_t> markBits;
};

// Walks a NumberWraps in record order, giving each record's offset (a multiple of
// kNumberWrap): next() once per record, in order, or at(index) for records in order.
class WrapCursor {
 public:
  explicit WrapCursor(const NumberWraps& wraps) : wraps_(wraps), offset_(wraps.startOffset) {}
  std::int32_t next() { return at(index_++); }
  // The offset of record `index`; indices asked for never decrease (records may be skipped).
  std::int32_t at(std::uint32_t index) {
    while (point_ < wraps_.points.size() && wraps_.points[point_] <= index) {
      ++point_;
      offset_ += kNumberWrap;
    }
    return offset_;
  }

 private:
  const NumberWraps& wraps_;
  std::size_t point_ = 0;
  std::uint32_t index_ = 0;
  std::int32_t offset_;
};

// True when the table's numbers go past 99999: its count is above 99999, or a number wrapped
// (a file cut out of a larger system). Such files list true numbers in the wide layout; the
// others keep the five-column layouts, numbers as they stand.
inline bool hasWrappedNumbers(const AtomTable& table) {
  return table.declaredCount > kLargestFiveColumnCount || !table.atomWraps.points.empty() ||
         !table.residueWraps.points.empty();
}

// The layout a coordinate file's atom lines take, decided by its first atom line: when the
// columns from 21 on hold three decimal points at the same distance d from each other,
// kNarrowestWideSpacing <= d <= kWidestSpacing, d (positions in fields of d columns with
// d-5 decimals, velocities with d-4); otherwise 0, the standard layout
// (I5,2A5,I5,3F8.3,3F8.4). GROMACS decides the same way for files written with more decimals.
int atomLineSpacing(std::string_view firstAtomLine);

// The atom-line layout for a spacing that atomLineSpacing gave: layouts::kAtomLine for 0.
textio::layouts::FixedLayout atomLineLayout(int spacing);

// How the atom lines of a regular file are read. The table is the same whatever is chosen;
// tests choose small blocks and parts to exercise the seams, or no bulk path at all.
struct LoadTuning {
  enum class Path { Bulk, PerLine };
  Path path = Path::Bulk;
  unsigned threads = 0;                    // 0: one per core
  std::size_t blockBytes = 1 << 20;        // bytes of the file converted at a time
  std::size_t minPartBytes = 128 << 10;    // a block is split only into parts this large
  std::size_t chunkRecords = 1 << 15;      // records a streamed pass holds at a time (a room)
  std::size_t spillAfterBytes = 16 << 20;  // records a pipe keeps in memory, in bytes
  // Run on every record loaded into a table (by the converter's threads where they convert):
  // the table is then marked.
  RecordTest recordTest;
  // A frame of a trajectory: blocks no larger than the count's lines seem to need (by the
  // first atom line's length), and no block read ahead once one seems to hold them all, so
  // that little of the next frame is read only to be given back.
  bool frameSized = false;
  // Work of the caller's own, run by the loading thread once while the crew converts one of
  // a frame's blocks of atom lines (the second, or the only one; not at all when no block is
  // converted): the previous frame's passes and result lines go on while this one is
  // converted.
  std::function<void()> whileConverting;
};

// The block of a trajectory's tables, kept from one frame to the next: a frame that fits
// is loaded into it again, a larger one replaces it, so that memory follows the largest
// frame and not the number of frames. Given back by releaseTableBlock.
class AtomLineConverter;
struct TableBlock {
  AtomRecord* records = nullptr;
  std::uint64_t capacity = 0;  // records it holds
  // The read buffers of the frames, kept too: fresh pages for every frame cost more than
  // reading it.
  std::shared_ptr<textio::bulk::BlockInput> input;
  // And the crew that converts them: starting and ending its threads for every frame costs
  // wake-ups that take longer than converting a small frame.
  std::shared_ptr<AtomLineConverter> converter;
};
void releaseTableBlock(TableBlock& block);

// Columns kept of a coordinate-file line: far more than any atom-line layout reads, and room
// for a count written behind thousands of zeros. The rest of a longer line is passed over, so
// an endless line (a damaged or zero-filled file) takes no more memory than a short one.
inline constexpr std::size_t kKeptLineColumns = 32 * 1024;

// Reads the count line of unit 10 (after its title), counts in more than five columns
// included (readAtomCount). A missing or unreadable line, or a count that is no number, is a
// severe report.
std::int64_t readCountLine();

// The title and count lines at unit 10's position, read as loadConnected reads them (lines
// of unit 10 kept to their first columns from here on): the count line's number.
std::int64_t readTitleAndCount();

// The spacing (atomLineSpacing) of the line at unit 10's position, left unread; 0 when
// there is none.
int peekAtomLineSpacing();

// The line after the atom lines, where a .gro frame keeps its box vectors, read from unit 10
// as load left it: its text without the line end, nullopt when the file ends there. A failed
// read is report 39.
std::optional<std::string> readBoxLine();

// The next line of unit 10, left unread for the loader (a frame's title, or the count line
// after it): its text without the line end, nullopt when the file ends there. A failed read
// is report 39.
std::optional<std::string> peekCoordinateLine();

// Reads the count from the count line's text: columns 1-5 as an I5 field, extended by the
// digits that run on past column 5 (large systems write the count in full). Returns 0 on
// success, else the report number (64).
int readAtomCount(std::string_view line, std::int64_t& count);

}  // namespace frames
