// Word-wise copies between a chunk's bits and the frame's, shifted by the chunk's offset
// within a word.
#include "runs/frame_bits.h"

#include "platform/platform.h"

namespace runs {

std::size_t wordsFor(std::uint64_t records) {
  return static_cast<std::size_t>((records + kWordBits - 1) / kWordBits);
}

void placeBits(std::vector<std::uint64_t>& bits, std::uint64_t base,
               const std::vector<std::uint64_t>& chunk, std::size_t count) {
  if (bits.size() < wordsFor(base + count)) {
    platform::reservePrepared(bits, wordsFor(base + count));
    bits.resize(wordsFor(base + count), 0);
  }
  const std::size_t first = static_cast<std::size_t>(base / kWordBits);
  const unsigned shift = static_cast<unsigned>(base % kWordBits);
  for (std::size_t k = 0; k < wordsFor(count); ++k) {
    const std::uint64_t word = chunk[k];
    if (word == 0) continue;
    bits[first + k] |= word << shift;
    if (shift != 0 && word >> (kWordBits - shift) != 0) {
      bits[first + k + 1] |= word >> (kWordBits - shift);
    }
  }
}

void takeBits(const std::vector<std::uint64_t>& bits, std::uint64_t base, std::size_t count,
              std::vector<std::uint64_t>& chunk) {
  chunk.assign(wordsFor(count), 0);
  const std::size_t first = static_cast<std::size_t>(base / kWordBits);
  const unsigned shift = static_cast<unsigned>(base % kWordBits);
  for (std::size_t k = 0; k < chunk.size(); ++k) {
    const std::size_t at = first + k;
    std::uint64_t word = at < bits.size() ? bits[at] >> shift : 0;
    if (shift != 0 && at + 1 < bits.size()) word |= bits[at + 1] << (kWordBits - shift);
    chunk[k] = word;
  }
  if (const std::size_t rest = count % kWordBits; rest != 0 && !chunk.empty()) {
    chunk.back() &= (std::uint64_t{1} << rest) - 1;
  }
}

void setAll(std::vector<std::uint64_t>& bits, std::size_t count) {
  bits.assign(wordsFor(count), ~std::uint64_t{0});
  if (const std::size_t rest = count % kWordBits; rest != 0) {
    bits.back() = (std::uint64_t{1} << rest) - 1;
  }
}

}  // namespace runs
