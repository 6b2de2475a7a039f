// Exact rounding of F output: three ways to the same digits, 64-bit for the tool's fields,
// 128-bit for more decimals, and a fixed-capacity wide integer for every other float.
#include "textio/fields/exact_rounding.h"

#include <algorithm>
#include <bit>
#include <cstddef>

namespace textio::fields::detail {

namespace {

// Unsigned integer of fixed capacity for the rare wide cases (large values with decimals,
// or many decimals). No allocation: the largest number needed is below 2^630.
class WideInteger {
 public:
  explicit WideInteger(std::uint32_t value) {
    if (value != 0) limbs_[size_++] = value;
  }

  void multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < size_; ++i) {
      const std::uint64_t product = std::uint64_t{limbs_[i]} * factor + carry;
      limbs_[i] = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs_[size_++] = static_cast<std::uint32_t>(carry);
  }

  void shiftLeft(int bits) {
    if (size_ == 0 || bits == 0) return;
    const int whole = bits / 32;
    const int part = bits % 32;
    int newSize = size_ + whole + 1;
    for (int i = newSize - 1; i >= 0; --i) {
      const int source = i - whole;
      std::uint32_t high = (source >= 0 && source < size_) ? limbs_[source] : 0;
      std::uint32_t low = (source - 1 >= 0 && source - 1 < size_) ? limbs_[source - 1] : 0;
      limbs_[i] = part == 0 ? high : (high << part) | (low >> (32 - part));
    }
    size_ = newSize;
    trim();
  }

  // Drops the low `bits` bits and tells whether the dropped part was exactly half, above
  // half or below half of one unit of the result.
  struct Dropped {
    bool halfBit;
    bool belowHalfNonZero;
  };
  Dropped shiftRight(int bits) {
    Dropped dropped{bitAt(bits - 1), anyBitBelow(bits - 1)};
    const int whole = bits / 32;
    const int part = bits % 32;
    for (int i = 0; i < size_; ++i) {
      const int source = i + whole;
      std::uint32_t low = source < size_ ? limbs_[source] : 0;
      std::uint32_t high = source + 1 < size_ ? limbs_[source + 1] : 0;
      limbs_[i] = part == 0 ? low : (low >> part) | (high << (32 - part));
    }
    size_ = std::max(0, size_ - whole);
    trim();
    return dropped;
  }

  void increment() {
    for (int i = 0; i < size_; ++i) {
      if (++limbs_[i] != 0) return;
    }
    limbs_[size_++] = 1;
  }

  bool isZero() const { return size_ == 0; }
  bool isOdd() const { return size_ > 0 && (limbs_[0] & 1u) != 0; }

  // Divides in place and returns the remainder.
  std::uint32_t divide(std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    for (int i = size_ - 1; i >= 0; --i) {
      const std::uint64_t current = (remainder << 32) | limbs_[i];
      limbs_[i] = static_cast<std::uint32_t>(current / divisor);
      remainder = current % divisor;
    }
    trim();
    return static_cast<std::uint32_t>(remainder);
  }

 private:
  bool bitAt(int index) const {
    if (index < 0) return false;
    const int limb = index / 32;
    return limb < size_ && ((limbs_[limb] >> (index % 32)) & 1u) != 0;
  }
  bool anyBitBelow(int index) const {
    if (index <= 0) return false;
    const int limb = std::min(index / 32, size_);
    for (int i = 0; i < limb; ++i) {
      if (limbs_[i] != 0) return true;
    }
    if (limb < size_ && index % 32 != 0) {
      const std::uint32_t mask = (std::uint32_t{1} << (index % 32)) - 1;
      if ((limbs_[limb] & mask) != 0) return true;
    }
    return false;
  }
  void trim() {
    while (size_ > 0 && limbs_[size_ - 1] == 0) --size_;
  }

  std::array<std::uint32_t, 24> limbs_{};
  int size_ = 0;
};

}  // namespace

void roundExactWide(const BinaryValue& v, int decimals, RoundedDigits& digits) {
  WideInteger number(v.mantissa);
  int remaining = decimals;
  constexpr std::uint32_t kFivePow13 = 1220703125u;
  for (; remaining >= 13; remaining -= 13) number.multiply(kFivePow13);
  std::uint32_t factor = 1;
  for (; remaining > 0; --remaining) factor *= 5;
  number.multiply(factor);
  const int shift = v.exponent + decimals;  // x * 10^d = mantissa * 5^d * 2^shift
  if (shift >= 0) {
    number.shiftLeft(shift);
  } else {
    const WideInteger::Dropped dropped = number.shiftRight(-shift);
    if (dropped.halfBit && (dropped.belowHalfNonZero || number.isOdd())) number.increment();
  }
  while (!number.isZero()) {
    std::uint32_t chunk = number.divide(1000000000u);
    if (number.isZero()) {
      digits.appendUnsigned(chunk);
    } else {
      for (int i = 0; i < 9; ++i) {
        digits.pushFront(static_cast<char>('0' + chunk % 10));
        chunk /= 10;
      }
    }
  }
}

namespace {

__extension__ typedef unsigned __int128 Unsigned128;

}  // namespace

// Up to 27 decimals and a moderate magnitude fit in 128 bits.
bool roundExactNarrow(const BinaryValue& v, int decimals, RoundedDigits& digits) {
  if (decimals > 27) return false;  // 2^24 * 5^27 < 2^87
  Unsigned128 number = v.mantissa;
  for (int i = 0; i < decimals; ++i) number *= 5;
  const int shift = v.exponent + decimals;
  if (shift > 40) return false;
  if (shift >= 0) {
    number <<= shift;
  } else if (-shift >= 88) {
    number = 0;  // below half of one unit: rounds to zero
  } else {
    const int drop = -shift;
    const Unsigned128 one = 1;
    const bool halfBit = ((number >> (drop - 1)) & one) != 0;
    const bool belowHalf = (number & ((one << (drop - 1)) - one)) != 0;
    number >>= drop;
    if (halfBit && (belowHalf || (number & one) != 0)) ++number;
  }
  if (number >> 64 == 0) {
    digits.appendUnsigned(static_cast<std::uint64_t>(number));
  } else {
    // Below 2^127, so the part above the low 19 digits fits in 64 bits.
    constexpr std::uint64_t kTenPow19 = 10000000000000000000ull;
    std::uint64_t low = static_cast<std::uint64_t>(number % kTenPow19);
    for (int i = 0; i < 19; ++i) {
      digits.pushFront(static_cast<char>('0' + low % 10));
      low /= 10;
    }
    digits.appendUnsigned(static_cast<std::uint64_t>(number / kTenPow19));
  }
  return true;
}

}  // namespace textio::fields::detail
