// One block of huge pages (or of the heap) lent out to every piece of the bulk writer.
#include "results/piece_room.h"

#include <mutex>
#include <utility>

#include "platform/platform.h"
#include "results/result_files.h"

namespace results {
namespace {

// The block of the last room to end, kept for the next one: a trajectory's frames take a
// room each, and fresh pages for every frame cost more than the frame's writing.
struct KeptBlock {
  std::mutex mutex;
  char* block = nullptr;
  std::size_t bytes = 0;
};

KeptBlock& keptBlock() {
  static KeptBlock kept;  // made without allocating; the block is the system's at exit
  return kept;
}

}  // namespace

WriterRoom::WriterRoom(std::vector<Piece>& first, std::vector<Piece>& second,
                       std::size_t lineColumns) {
  // A piece takes whole words of the bit set until it holds kAtomsPerPiece atoms.
  const auto atoms = static_cast<std::size_t>(kAtomsPerPiece) + kWordBits;
  const std::size_t lineBytes = roundUp(atoms * (lineColumns + 2));
  const std::size_t numberBytes = roundUp(atoms * static_cast<std::size_t>(kWidestIndexField) +
                                          (atoms / kIndexNumbersPerLine + 1) * 2);
  const std::size_t listBytes = roundUp(atoms * sizeof(std::uint32_t));
  const std::size_t pieceBytes = lineBytes + numberBytes + 3 * listBytes;
  bytes_ = pieceBytes * (first.size() + second.size());
  {
    KeptBlock& kept = keptBlock();
    std::lock_guard<std::mutex> hold(kept.mutex);
    if (kept.block != nullptr && kept.bytes == bytes_) {
      block_ = std::exchange(kept.block, nullptr);
    }
  }
  if (block_ == nullptr) block_ = static_cast<char*>(platform::allocatePages(bytes_));
  if (block_ == nullptr) {
    heap_ = std::make_unique_for_overwrite<char[]>(bytes_);
    block_ = heap_.get();
  }
  char* at = block_;
  const auto lendTo = [&](Piece& piece) {
    piece.lines.lend(at, lineBytes);
    piece.numbers.lend(at + lineBytes, numberBytes);
    char* const lists = at + lineBytes + numberBytes;
    piece.lineEnds.lend(reinterpret_cast<std::uint32_t*>(lists), atoms);
    piece.numberEnds.lend(reinterpret_cast<std::uint32_t*>(lists + listBytes), atoms);
    piece.atoms.lend(reinterpret_cast<std::uint32_t*>(lists + 2 * listBytes), atoms);
    at += pieceBytes;
  };
  for (Piece& piece : first) lendTo(piece);
  for (Piece& piece : second) lendTo(piece);
}

WriterRoom::~WriterRoom() {
  if (heap_ != nullptr) return;
  KeptBlock& kept = keptBlock();
  std::lock_guard<std::mutex> hold(kept.mutex);
  if (kept.block != nullptr) platform::releasePages(kept.block, kept.bytes);
  kept.block = block_;
  kept.bytes = bytes_;
}

}  // namespace results
