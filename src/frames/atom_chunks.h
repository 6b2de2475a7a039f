// The atom lines of unit 10 a chunk of records at a time, into one buffer kept from chunk to
// chunk: the bulk converter on blocks of whole lines where it applies, the per-line reads
// elsewhere, giving exactly the records a whole-file load gives, in the same order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "frames/atom_lines.h"
#include "frames/atom_table.h"
#include "textio/bulk/block_input.h"

namespace frames {

// Pages of `bytes` bytes, given back when it goes; a block that cannot be had is report 41.
class PageBlock {
 public:
  explicit PageBlock(std::size_t bytes);
  ~PageBlock();
  PageBlock(const PageBlock&) = delete;
  PageBlock& operator=(const PageBlock&) = delete;
  void* data() const { return data_; }
  // Makes the first `bytes` present before they are written (see platform::preparePages).
  void prepare(std::size_t bytes);

 private:
  std::size_t bytes_;
  void* data_;
  std::size_t prepared_ = 0;
};

// On the bulk path a chunk's records come in one of two rooms in turn: as next() hands one
// chunk over, the crew already converts the first block of the next chunk into the other
// room, so that the caller's work on a chunk and the conversion of the next one overlap.
class AtomChunkReader {
 public:
  // Buffers for chunks of up to tuning.chunkRecords records and blocks of tuning.blockBytes
  // (no larger than `fileBytes`, when the file's size is known).
  AtomChunkReader(const LoadTuning& tuning, std::optional<std::uint64_t> fileBytes);
  // Waits for a block still being converted.
  ~AtomChunkReader();
  AtomChunkReader(const AtomChunkReader&) = delete;
  AtomChunkReader& operator=(const AtomChunkReader&) = delete;

  // Starts on the atom lines at unit 10's position: `statements` read statements (the count
  // line's number), each line read through the layout of `spacing` (atomLineSpacing).
  void begin(std::uint64_t statements, int spacing);

  // Runs `test` on every record the readings from the next begin() on hand over, before they
  // are handed over (none: no test).
  void setRecordTest(RecordTest test) { test_ = std::move(test); }

  // Reads the next chunk: false when the reading is over (every statement made, the file
  // ended, or the byte 26 that ends a file met). A chunk may hold no record (lines that could
  // not be read). Unit 10 is left after the last line read once the reading is over.
  bool next();
  const AtomRecord* records() const { return records_; }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  // The room of the chunk handed over last, for a caller that fills chunks of its own
  // between readings.
  AtomRecord* room() { return records_; }

 private:
  bool nextPerLine();
  // The block started last is converted: its records counted into the chunk; true when the
  // chunk ends with it (the reading over, or the block not all taken).
  bool land();
  // Starts the first block of the next chunk into the other room, when there is one.
  void launch();
  void endChunk();
  // The room `room` made present from record `from` on for the records a block of
  // `blockBytes` likely holds (`most` at most).
  void prepareRoom(AtomRecord* room, std::size_t from, std::size_t most, std::size_t blockBytes);

  LoadTuning tuning_;
  std::size_t capacity_;
  PageBlock room_;
  std::optional<PageBlock> otherRoom_;  // the bulk path's second room
  AtomRecord* records_;
  AtomRecord* other_ = nullptr;
  bool flying_ = false;  // a block is being converted into other_
  std::size_t flyingBlockBytes_ = 0;
  std::size_t size_ = 0;
  std::size_t blockBytes_;
  std::optional<textio::bulk::BlockInput> input_;
  std::optional<AtomLineConverter> converter_;
  textio::layouts::FixedLayout layout_ = textio::layouts::kAtomLine;
  bool bulk_ = false;
  bool inBlock_ = false;  // input_ holds the unit's input
  bool done_ = true;
  std::uint64_t left_ = 0;  // read statements still to make
  RecordTest test_;
};

}  // namespace frames
