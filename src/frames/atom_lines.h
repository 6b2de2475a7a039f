// Bulk conversion of atom lines in the standard layout (I5,2A5,I5,3F8.3,3F8.4): a block of
// complete lines converted into consecutive records, split into parts converted on several
// threads, with every line that is not plain handed to the general per-line rules. Gives
// exactly the records that one read statement per line gives.
#pragma once

#include <array>
#include <atomic>
#include <barrier>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "frames/atom_table.h"
#include "platform/crew.h"
#include "textio/layouts/fixed_layout.h"

namespace frames {

// (I5,2A5,I5,3F8.3,3F8.4), or its wider form: where each field of an atom line goes in its
// record.
inline constexpr textio::layouts::FieldPlace kAtomLinePlaces[] = {
    {offsetof(AtomRecord, residueNumber), 0},
    {offsetof(AtomRecord, residueName), 5},
    {offsetof(AtomRecord, atomName), 5},
    {offsetof(AtomRecord, atomNumber), 0},
    {offsetof(AtomRecord, x), 0},
    {offsetof(AtomRecord, y), 0},
    {offsetof(AtomRecord, z), 0},
    {offsetof(AtomRecord, vx), 0},
    {offsetof(AtomRecord, vy), 0},
    {offsetof(AtomRecord, vz), 0}};

struct AtomLinesRead {
  std::uint64_t lines = 0;    // lines consumed, each one read statement
  std::uint64_t records = 0;  // records filled
  std::size_t bytes = 0;      // bytes consumed, line ends included
  bool stopped = false;       // stopped before a line holding only byte 26, which ends a file
};

// More parts than this are never made, whatever the machine says.
inline constexpr unsigned kMostParts = 64;
// Parts a block is split into for each crew thread, when the block is large enough.
inline constexpr unsigned kPartsPerThread = 4;

// Converts blocks of lines on a crew of threads kept from block to block: start() returns
// while the crew converts, so that the caller can read the next block meanwhile and then
// help with what is left.
//
// A block is the lines of `text` (`size` bytes, each line ending in a line feed, the last one
// at text[size - 1]), converted in order, at most `maxLines` of them, into records[0],
// records[1], ...: one record per line that can be read, none for a line that cannot. A
// carriage return just before a line feed belongs to the line end. Conversion stops before a
// line that is byte 26 alone. Writes only records[0 .. min(lines in text, maxLines)). The
// crew has `threads` threads (0: one per core); a block is split into up to kPartsPerThread
// parts per thread of at least `minPartBytes` bytes each, which the crew's threads and a
// helping caller take in turn.
class AtomLineConverter {
 public:
  // With `findWraps`, each block's wrap points (findWrapsIn) are found as it is converted.
  // `alongside`: the caller has work of its own while a block is converted and then converts
  // the parts left, so it is one of the `threads`: the crew has one thread fewer, even one
  // (see platform::Crew).
  AtomLineConverter(unsigned threads, std::size_t minPartBytes, bool findWraps = false,
                    bool alongside = false);

  // Starts on a block; `text` and `records` stay the caller's until finish(). With
  // `recordBefore`, records[-1] is the record before the block's (its wraps count).
  void start(const char* text, std::size_t size, std::uint64_t maxLines, AtomRecord* records,
             bool recordBefore = false);
  // The threads and part size it was made with.
  unsigned threads() const { return threads_; }
  std::size_t minPartBytes() const { return minPartBytes_; }

  // Runs `test` on the records of every part it converts from now on (none: no test).
  void setRecordTest(RecordTest test) { recordTest_ = std::move(test); }

  // Converts parts of the block started last on the calling thread, if any are left.
  void help();
  // Helps, waits for the block started last and answers what it gave.
  AtomLinesRead finish();
  // The wrap points of the block finished last, as indices into its `records`.
  const NumberWraps& atomWraps() const { return atomWraps_; }
  const NumberWraps& residueWraps() const { return residueWraps_; }

 private:
  // Runs once every thread has counted its parts' lines.
  struct Placement {
    AtomLineConverter* converter;
    void operator()() noexcept { converter->placeParts(); }
  };
  void placeParts() noexcept;
  void convertParts();

  bool alongside_;  // the caller converts the parts left when it is done with its own work
  RecordTest recordTest_;
  unsigned threads_;
  platform::Crew crew_;
  std::size_t minPartBytes_;
  bool findWraps_;
  bool recordBefore_ = false;
  const char* text_ = nullptr;
  AtomRecord* records_ = nullptr;
  std::uint64_t maxLines_ = 0;
  unsigned parts_ = 1;
  std::optional<std::barrier<Placement>> counted_;
  std::atomic<unsigned> nextToCount_{0};
  std::atomic<unsigned> nextToConvert_{0};
  std::atomic<bool> converting_{false};  // parts placed: any thread may convert
  std::array<const char*, kMostParts + 1> starts_{};
  std::array<std::uint64_t, kMostParts> lines_{};
  std::array<std::uint64_t, kMostParts> first_{};
  std::array<std::uint64_t, kMostParts> limit_{};
  std::array<AtomLinesRead, kMostParts> read_{};
  // Each part's wrap points after its first record, as indices into the part's records.
  std::array<NumberWraps, kMostParts> partAtomWraps_{};
  std::array<NumberWraps, kMostParts> partResidueWraps_{};
  NumberWraps atomWraps_;
  NumberWraps residueWraps_;
};

// One block converted as AtomLineConverter converts it, on a crew of its own. Allocates
// nothing but the threads.
AtomLinesRead convertAtomLines(const char* text, std::size_t size, std::uint64_t maxLines,
                               AtomRecord* records, unsigned threads, std::size_t minPartBytes);

}  // namespace frames
