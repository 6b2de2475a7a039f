// Loads the coordinate file into the atom table: the title skipped, the count read and each
// atom line converted, in blocks on the crew for a regular file, by read statements
// otherwise; unreadable lines leave no record.
#include "frames/table_loader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "frames/atom_lines.h"
#include "platform/crew.h"
#include "platform/platform.h"
#include "textio/bulk/block_input.h"
#include "textio/fields/fixed_fields.h"
#include "textio/freeform/free_form.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/run/run_time.h"
#include "textio/units/unit.h"

namespace frames {
namespace {

// Upper bound on the atom lines the rest of a regular file can hold (every line takes at
// least its line feed, the last one may lack it).
std::optional<std::uint64_t> lineBound() {
  const textio::units::UnitEntry* unit = textio::units::findUnit(kCoordinateUnit);
  if (unit == nullptr) return std::nullopt;
  std::optional<std::uint64_t> size = platform::fileSize(unit->handle);
  if (!size) return std::nullopt;
  return *size + 1;
}

// Parts of the table smaller than this are not worth a thread when looking for wraps.
constexpr std::size_t kRecordsPerWrapPart = 1 << 16;

// Records gathered at a time from a stream of unknown length.
constexpr std::size_t kGatherChunk = 4096;

// Blocks a frame of a trajectory is read in (see readAtomLinesInBlocks).
constexpr std::uint64_t kFrameBlocks = 3;

// Up to `reads` atom-line reads through `layout`, with their end-of-file and error
// conditions returned: an unreadable line leaves no record, the end of the file ends the
// reading.
textio::layouts::FixedRecordsRead readAtomLines(textio::layouts::FixedLayout layout,
                                                AtomRecord* records, std::uint64_t capacity,
                                                std::uint64_t reads) {
  return textio::layouts::readFixedRecords(kCoordinateUnit, layout, kAtomLinePlaces, records,
                                           sizeof(AtomRecord), capacity, reads);
}

// The bytes of the line after the count, its line end included (two more than it holds when
// the unit does not have its line end yet): a frame's lines are about as long.
std::uint64_t firstAtomLineBytes() {
  textio::units::Statement statement(kCoordinateUnit, textio::units::StatementKind::Read);
  textio::units::UnitEntry& unit = statement.unit();
  std::string_view line;
  if (textio::units::peekRecord(unit, line) != textio::units::ReadStatus::Ok) return 0;
  const char* const begin = unit.input.data() + unit.inputBegin;
  const void* feed = std::memchr(begin, '\n', unit.inputEnd - unit.inputBegin);
  return feed == nullptr ? line.size() + 2
                         : static_cast<std::uint64_t>(static_cast<const char*>(feed) - begin) + 1;
}

// Notes in the table the layout the first atom line shows and answers it. Called once the
// table's block is had, so that a table that cannot be had is reported before any atom line
// is read.
textio::layouts::FixedLayout chooseAtomLineLayout(AtomTable& table) {
  table.decimalSpacing = peekAtomLineSpacing();
  return atomLineLayout(table.decimalSpacing);
}

// The wrap points of both number sequences, parts of the table on the machine's cores.
void findWraps(AtomTable& table) {
  const platform::PartPlan plan = platform::planParts(table.size, kRecordsPerWrapPart, 1);
  std::vector<NumberWraps> atomParts(plan.parts);
  std::vector<NumberWraps> residueParts(plan.parts);
  platform::runParts(plan.parts, [&](unsigned part) {
    // The first record has none before it.
    findWrapsIn(table.records, std::max<std::size_t>(plan.begin(part), 1), plan.end(part), 0,
                atomParts[part], residueParts[part]);
  });
  for (unsigned part = 0; part < plan.parts; ++part) {
    table.atomWraps.points.insert(table.atomWraps.points.end(), atomParts[part].points.begin(),
                                  atomParts[part].points.end());
    table.residueWraps.points.insert(table.residueWraps.points.end(),
                                     residueParts[part].points.begin(),
                                     residueParts[part].points.end());
  }
}

// The read buffers of `blockBytes` each: the kept ones of the frames when they are large
// enough, else new ones (kept from here on when there is a kept block).
std::shared_ptr<textio::bulk::BlockInput> blockInput(std::size_t blockBytes, TableBlock* kept) {
  if (kept != nullptr && kept->input && kept->input->blockBytes() >= blockBytes) {
    return kept->input;
  }
  auto own = std::make_shared<textio::bulk::BlockInput>(blockBytes);
  if (kept != nullptr) kept->input = own;
  return own;
}

// A converter of `threads` threads: the kept one of the frames when it is the same, else a
// new one (kept from here on when there is a kept block).
std::shared_ptr<AtomLineConverter> lineConverter(unsigned threads, std::size_t minPartBytes,
                                                 TableBlock* kept) {
  if (kept != nullptr && kept->converter && kept->converter->threads() == threads &&
      kept->converter->minPartBytes() == minPartBytes) {
    return kept->converter;
  }
  // This thread reads the next block while the crew converts, then takes the parts left.
  auto own = std::make_shared<AtomLineConverter>(threads, minPartBytes, /*findWraps=*/true,
                                                 /*alongside=*/true);
  if (kept != nullptr) kept->converter = own;
  return own;
}

// One atom line through the per-line path into the table after its `table.size` records,
// counted in `lines`, with its wrap point. True when the file ended there.
bool readOneAtomLine(AtomTable& table, std::uint64_t capacity, std::uint64_t& lines,
                     const RecordTest& test) {
  std::size_t& filled = table.size;
  const textio::layouts::FixedRecordsRead one =
      readAtomLines(textio::layouts::kAtomLine, table.records + filled, capacity - filled, 1);
  if (test) test(table.records + filled, one.records);
  if (one.records > 0 && filled > 0) {
    findWrapsIn(table.records, filled, filled + 1, 0, table.atomWraps, table.residueWraps);
  }
  lines += one.statements;
  filled += one.records;
  if (one.ended) table.endedEarly = true;
  return one.ended;
}

// Wrap points the crew found in the block it converted last, at record indices from the
// table's size on.
void keepWraps(const AtomLineConverter& converter, AtomTable& table) {
  for (const std::uint32_t point : converter.atomWraps().points) {
    table.atomWraps.points.push_back(static_cast<std::uint32_t>(table.size + point));
  }
  for (const std::uint32_t point : converter.residueWraps().points) {
    table.residueWraps.points.push_back(static_cast<std::uint32_t>(table.size + point));
  }
}

// Reads the atom lines of a regular file into the table's block (room for `capacity`),
// `wanted` read statements at most, and sets its size and, when its numbers wrap, its wrap
// points. Blocks of whole lines are converted straight from memory, the next block read while
// the crew converts the current one; whatever the bulk path does not take (a line longer
// than a block, a last line without a line feed, the byte 26 that ends a file, a failed
// read) is one statement of the per-line path, and the two mix line by line.
bool readAtomLinesInBlocks(AtomTable& table, std::uint64_t capacity, std::uint64_t wanted,
                           std::uint64_t fileBytes, const LoadTuning& tuning, TableBlock* kept) {
  AtomRecord* const records = table.records;
  // A frame's lines are about as long as its first, line end included (CR LF or LF).
  const std::uint64_t lineBytes = tuning.frameSized ? firstAtomLineBytes() : 0;
  // A small file (or frame) needs no buffers larger than itself.
  const std::uint64_t needed = lineBytes != 0 ? wanted * lineBytes + 1 : fileBytes;
  const unsigned cores = tuning.threads != 0 ? tuning.threads : platform::cores();
  // A frame is read in about kFrameBlocks blocks, each still with a part for every thread, so
  // that all reads but the first go on while the crew converts the block before.
  const std::uint64_t frameBlock =
      lineBytes == 0 ? needed
                     : std::max<std::uint64_t>(needed / kFrameBlocks + 1,
                                               std::uint64_t{cores} * tuning.minPartBytes);
  const auto blockBytes = static_cast<std::size_t>(std::max<std::uint64_t>(
      1, std::min({static_cast<std::uint64_t>(tuning.blockBytes), fileBytes, needed, frameBlock})));
  const std::shared_ptr<textio::bulk::BlockInput> own = blockInput(blockBytes, kept);
  textio::bulk::BlockInput& input = *own;
  if (!input.ready()) {
    const textio::layouts::FixedRecordsRead got =
        readAtomLines(textio::layouts::kAtomLine, records, capacity, wanted);
    table.size = got.records;
    table.endedEarly = got.ended;
    findWraps(table);
    if (tuning.recordTest) tuning.recordTest(table.records, table.size);
    return false;
  }
  // No more threads than a block has parts worth a thread (one for a small file).
  const std::size_t worth =
      std::max<std::size_t>(1, blockBytes / std::max<std::size_t>(tuning.minPartBytes, 1));
  const std::shared_ptr<AtomLineConverter> crew = lineConverter(
      static_cast<unsigned>(std::min<std::size_t>(cores, worth)), tuning.minPartBytes, kept);
  AtomLineConverter& converter = *crew;
  // A frame's marks are also set as bits where its records are tested, so that its first
  // pass reads words instead of every record; they hold while every line read is a record
  // in place (a line without one moves the records after it).
  bool bitsHold = tuning.frameSized && static_cast<bool>(tuning.recordTest);
  struct TestReset {
    AtomLineConverter& converter;
    ~TestReset() { converter.setRecordTest({}); }  // it refers to this load
  } reset{converter};
  if (bitsHold) {
    table.markBits.assign((capacity + 63) / 64, 0);
    std::uint64_t* const words = table.markBits.data();
    const RecordTest& test = tuning.recordTest;
    converter.setRecordTest([words, records, &test](AtomRecord* part, std::size_t count) {
      test(part, count);
      const auto first = static_cast<std::size_t>(part - records);
      for (std::size_t i = 0; i < count;) {
        const std::size_t word = (first + i) / 64;
        const std::size_t end = std::min(count, (word + 1) * 64 - first);
        std::uint64_t marks = 0;
        for (; i < end; ++i) {
          marks |= std::uint64_t{part[i].mark != 0} << ((first + i) % 64);
        }
        // A word a part shares with the next one's is set by two threads.
        if (marks != 0) {
          std::atomic_ref<std::uint64_t>(words[word]).fetch_or(marks, std::memory_order_relaxed);
        }
      }
    });
  } else {
    converter.setRecordTest(tuning.recordTest);
  }
  std::uint64_t lines = 0;
  std::size_t& filled = table.size;
  const std::size_t firstFrameBlock = std::size_t{cores} * tuning.minPartBytes;
  bool ownWork = static_cast<bool>(tuning.whileConverting);
  unsigned started = 0;  // blocks started
  // The bytes of a frame's lines not yet converted, from the start of the block to convert:
  // reading no further than they reach leaves next to nothing to give back to the unit (and
  // copy in again) frame after frame.
  const auto frameRest = [&](std::uint64_t from) -> std::size_t {
    if (lineBytes == 0) return SIZE_MAX;
    const std::uint64_t rest = (wanted - lines) * lineBytes;
    return static_cast<std::size_t>(std::max(rest > from ? rest - from : 0, lineBytes));
  };
  while (lines < wanted && filled < capacity) {
    // A frame's first block is read while no thread converts: a small one sets them to work
    // sooner, and the blocks after it are read while they do.
    input.begin(kCoordinateUnit,
                std::min(frameRest(0), lineBytes == 0 ? SIZE_MAX : firstFrameBlock));
    bool readAhead = true;
    for (std::string_view block = input.lines(); !block.empty(); block = input.lines()) {
      converter.start(block.data(), block.size(), std::min(wanted - lines, capacity - filled),
                      records + filled, filled > 0);
      readAhead = lineBytes == 0 || block.size() < (wanted - lines) * lineBytes;
      if (readAhead) input.readAhead(frameRest(block.size()));
      // The caller's own work waits for a full block (the second), which keeps the crew
      // at work as long as it takes, unless there is no block after this one.
      if (ownWork && (++started == 2 || !readAhead)) {
        ownWork = false;
        tuning.whileConverting();
      }
      const AtomLinesRead got = converter.finish();  // this thread helps first
      keepWraps(converter, table);
      lines += got.lines;
      filled += got.records;
      bitsHold = bitsHold && got.records == got.lines && !got.stopped;
      if (got.bytes < block.size() || lines >= wanted || filled >= capacity) {
        input.giveBack(got.bytes);
        return bitsHold;
      }
      if (!readAhead) {
        input.giveBack(got.bytes);
        break;
      }
      input.next();
    }
    // A block without read-ahead held fewer lines than the frame's (longer lines than its
    // first): the next block begins where it ended.
    if (!readAhead) continue;
    input.giveBack(0);
    bitsHold = false;
    if (readOneAtomLine(table, capacity, lines, tuning.recordTest)) break;
  }
  return bitsHold;
}

// Room for `records` records: a block of the run's own, or the kept block of the frames,
// replaced by a larger one when the frame does not fit.
AtomRecord* tableBlock(std::uint64_t records, TableBlock* kept) {
  if (kept == nullptr) {
    return static_cast<AtomRecord*>(textio::run::allocateBlock(records * sizeof(AtomRecord)));
  }
  if (kept->capacity < records) {
    textio::run::releaseBlock(kept->records, kept->capacity * sizeof(AtomRecord));
    kept->records =
        static_cast<AtomRecord*>(textio::run::allocateBlock(records * sizeof(AtomRecord)));
    kept->capacity = records;
    // Frame after frame fills it: its pages are made present at once, not faulted one by one.
    platform::preparePages(kept->records, records * sizeof(AtomRecord));
  }
  return kept->records;
}

// The atom lines of a stream of unknown size, gathered in chunks and then copied into a block
// of their exact size. Memory that runs out on the way is report 41, as for the table's block.
void gatherStream(AtomTable& table, std::uint64_t wanted, TableBlock* kept) {
  try {
    const textio::layouts::FixedLayout layout = chooseAtomLineLayout(table);
    std::vector<AtomRecord> gathered;
    std::vector<AtomRecord> chunk(kGatherChunk);
    for (std::uint64_t left = wanted; left > 0;) {
      const textio::layouts::FixedRecordsRead got =
          readAtomLines(layout, chunk.data(), chunk.size(), left);
      gathered.insert(gathered.end(), chunk.begin(),
                      chunk.begin() + static_cast<std::ptrdiff_t>(got.records));
      left -= got.statements;
      if (got.ended) {
        table.endedEarly = true;
        break;
      }
    }
    if (!gathered.empty()) {
      table.records = tableBlock(gathered.size(), kept);
      std::memcpy(table.records, gathered.data(), gathered.size() * sizeof(AtomRecord));
      table.size = gathered.size();
    }
  } catch (const std::bad_alloc&) {
    textio::units::issueReport(textio::reports::severeCode(41));
  }
}

}  // namespace

AtomTable load(std::string_view fileName, const LoadTuning& tuning) {
  textio::units::openUnit(kCoordinateUnit, fileName, "OLD", "SEQUENTIAL");
  return loadConnected(tuning);
}

AtomTable loadConnected(const LoadTuning& tuning, TableBlock* kept) {
  textio::units::keepInputColumns(kCoordinateUnit, kKeptLineColumns);
  textio::freeform::readList(kCoordinateUnit, {});  // the title line, whatever it holds
  return loadCountAndAtoms(tuning, kept);
}

AtomTable loadCountAndAtoms(const LoadTuning& tuning, TableBlock* kept) {
  textio::units::keepInputColumns(kCoordinateUnit, kKeptLineColumns);
  AtomTable table;
  table.declaredCount = readCountLine();
  if (table.declaredCount <= 0) return table;
  const auto wanted = static_cast<std::uint64_t>(table.declaredCount);

  // A regular file gets one block, no larger than the lines it can hold: every read that
  // fills a record takes at least one line. A stream of unknown size is gathered first and
  // then copied into a block of its exact size.
  if (const std::optional<std::uint64_t> bound = lineBound()) {
    const std::uint64_t capacity = std::min(wanted, *bound);
    table.records = tableBlock(capacity, kept);
    const textio::layouts::FixedLayout layout = chooseAtomLineLayout(table);
    // The bulk path converts the standard layout and finds the wraps as it goes; wider
    // fields take the per-line path.
    if (tuning.path == LoadTuning::Path::Bulk && table.decimalSpacing == 0) {
      // Records the bulk path reads the converter's threads or the per-line reads test.
      if (readAtomLinesInBlocks(table, capacity, wanted, *bound, tuning, kept)) {
        table.markBits.resize((table.size + 63) / 64);
        if (table.size % 64 != 0)
          table.markBits.back() &= (std::uint64_t{1} << table.size % 64) - 1;
      } else {
        table.markBits.clear();
      }
      table.marked = static_cast<bool>(tuning.recordTest);
      return table;
    }
    const textio::layouts::FixedRecordsRead got =
        readAtomLines(layout, table.records, capacity, wanted);
    table.size = got.records;
    table.endedEarly = got.ended;
  } else {
    gatherStream(table, wanted, kept);
  }

  findWraps(table);
  if (tuning.recordTest) {
    tuning.recordTest(table.records, table.size);
    table.marked = true;
  }
  return table;
}

}  // namespace frames
