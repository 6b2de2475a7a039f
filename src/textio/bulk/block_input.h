// Blocks of whole lines for bulk converters: the rest of a unit's input read into two
// buffers in turn, each block ending at a line feed, so that a caller converts one block
// while the next one is read. What the caller does not take goes back to the unit, where
// nextRecord goes on with it exactly as if every line had been read through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace textio::bulk {

class BlockInput {
 public:
  // Two buffers of `blockBytes` bytes (at least 1); ready() is false when they cannot be had.
  explicit BlockInput(std::size_t blockBytes);
  ~BlockInput();
  BlockInput(const BlockInput&) = delete;
  BlockInput& operator=(const BlockInput&) = delete;

  bool ready() const { return buffers_[0] != nullptr; }
  std::size_t blockBytes() const { return blockBytes_; }

  // Takes over the unconsumed input of the connected `unit` and reads behind it until the
  // block is full (or holds `most` bytes: a reader that knows where its lines end reads no
  // further, so that little is given back) or the file ends. Until giveBack, no one else
  // reads the unit.
  void begin(int unit, std::size_t most = SIZE_MAX);

  // The complete lines of the current block, its last line feed included. Empty when the
  // block holds none: a line longer than a block, a last line without a line feed, nothing
  // left, or a failed read (the unit then meets the failure again after giveBack).
  std::string_view lines() const;

  // Reads the block that follows the current one into the other buffer, `most` bytes at most
  // (but at least the current block's unfinished line); the current block stays valid where
  // it is until next(). The run-time lock is let go while a read blocks.
  void readAhead(std::size_t most = SIZE_MAX);

  // Every line of the current block was taken: the block read ahead becomes the current one.
  void next();

  // Hands back to the unit what was not taken: the current block from `taken` bytes on and
  // everything read ahead. The unit's end-of-data mark is kept.
  void giveBack(std::size_t taken);

 private:
  // Fills buffer `which` from `filled` on until it holds `most` bytes (or is full), the data
  // end or a read fails.
  std::size_t fill(int which, std::size_t filled, std::size_t most);

  int unit_ = 0;
  std::size_t blockBytes_;
  char* buffers_[2] = {nullptr, nullptr};
  std::size_t prepared_[2] = {0, 0};  // bytes of each buffer made present (see fill)
  int current_ = 0;
  std::size_t currentBytes_ = 0;     // bytes in the current buffer
  std::size_t currentComplete_ = 0;  // up to and including its last line feed
  std::size_t aheadBytes_ = 0;       // bytes in the other buffer, when read ahead
  bool readAheadDone_ = false;
  bool exhausted_ = false;  // the platform reported the end of the data
  bool failed_ = false;     // a read failed: nothing more is read before giveBack
};

}  // namespace textio::bulk
