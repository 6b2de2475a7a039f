// The pieces of the bulk atom writer (atom_writer.cpp): the text and the atoms one piece
// builds, in room lent from one block for every piece of both rounds and kept from round to
// round.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace results {

// Selected atoms a piece of the bulk writer takes: about this many lines of result.gro at most.
// Small pieces keep the writer's text, which it reuses from round to round, within a few
// hundred pages: fresh pages are dear.
constexpr std::int64_t kAtomsPerPiece = 2048;
constexpr std::size_t kWordBits = 64;
// Items a piece builds (its text, its atoms), in room lent by WriterRoom and kept from round to
// round; should they outgrow it, on the heap. Not a std::string: that would clear every column
// it grows by before the formatters overwrite them.
template <typename Item>
class PieceRoom {
 public:
  void lend(Item* room, std::size_t capacity) {
    data_ = room;
    capacity_ = capacity;
  }
  Item* data() const { return data_; }
  std::size_t size() const { return size_; }
  Item& operator[](std::size_t i) const { return data_[i]; }
  Item* begin() const { return data_; }
  Item* end() const { return data_ + size_; }
  void clear() { size_ = 0; }
  // The next `count` items, counted as written.
  Item* extend(std::size_t count) {
    if (count > capacity_ - size_) {
      const std::size_t capacity = std::max(2 * capacity_, size_ + count);
      auto grown = std::make_unique_for_overwrite<Item[]>(capacity);
      std::copy_n(data_, size_, grown.get());
      owned_ = std::move(grown);
      data_ = owned_.get();
      capacity_ = capacity;
    }
    Item* const at = data_ + size_;
    size_ += count;
    return at;
  }
  void dropLast(std::size_t count) { size_ -= count; }
  void push_back(Item item) { *extend(1) = item; }

 private:
  Item* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::unique_ptr<Item[]> owned_;
};

class PieceText : public PieceRoom<char> {
 public:
  std::string_view view() const { return {data(), size()}; }
  void append(std::string_view text) { std::copy(text.begin(), text.end(), extend(text.size())); }
};

// The selected atoms of words [firstWord, endWord) of the bit set, their text for both files.
// Each on cache lines of its own: two threads appending to neighbouring pieces would otherwise
// pass the lines that hold the texts' lengths back and forth.
struct alignas(64) Piece {
  std::size_t firstWord = 0;
  std::size_t endWord = 0;
  std::int64_t firstOrdinal = 1;
  PieceText lines;    // result.gro
  PieceText numbers;  // list.ndx
  // Where each atom's text ends in `lines` and in `numbers`.
  PieceRoom<std::uint32_t> lineEnds;
  PieceRoom<std::uint32_t> numberEnds;
  PieceRoom<std::uint32_t> atoms;  // the selected records, while the piece is built
  std::string general;             // a field built by the general formatters
  bool built = false;  // false: a field could not be built; acceptAtom writes these atoms
};

// The room of every piece of both rounds in one block of huge pages. On these machines each
// fresh small page costs a fault of its own, and a few megabytes of them, touched as the texts
// grew, took 10 ms of a 1M-atom run; a huge page is one fault.
class WriterRoom {
 public:
  WriterRoom(std::vector<Piece>& first, std::vector<Piece>& second, std::size_t lineColumns);
  ~WriterRoom();
  WriterRoom(const WriterRoom&) = delete;
  WriterRoom& operator=(const WriterRoom&) = delete;

 private:
  static std::size_t roundUp(std::size_t bytes) { return (bytes + 63) / 64 * 64; }

  std::size_t bytes_ = 0;
  char* block_ = nullptr;
  std::unique_ptr<char[]> heap_;
};

}  // namespace results
