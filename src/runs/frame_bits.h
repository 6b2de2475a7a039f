// Bit sets of a frame's records, one bit per record: a chunk's bits placed into the frame's
// set at the chunk's first record, and taken out of it again, for the streamed passes that
// meet the records a chunk at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace runs {

inline constexpr std::size_t kWordBits = 64;

// Words holding `records` bits.
std::size_t wordsFor(std::uint64_t records);

// ORs the `count` bits of `chunk` into `bits` from bit `base` on (`bits` grows as needed).
void placeBits(std::vector<std::uint64_t>& bits, std::uint64_t base,
               const std::vector<std::uint64_t>& chunk, std::size_t count);

// Bits [base, base + count) of `bits` as a bit set of their own in `chunk`.
void takeBits(const std::vector<std::uint64_t>& bits, std::uint64_t base, std::size_t count,
              std::vector<std::uint64_t>& chunk);

// `count` bits, all set.
void setAll(std::vector<std::uint64_t>& bits, std::size_t count);

}  // namespace runs
