// Exact rounding of a float to a number of decimals: the float's exact binary value times a
// power of ten rounded to an integer (ties to even) with integer arithmetic, never printf, so
// F output does not depend on any C library. The digits come out most significant first.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace textio::fields::detail {

// A float is exactly mantissa * 2^exponent.
struct BinaryValue {
  std::uint32_t mantissa;
  int exponent;
};

// The float as mantissa * 2^exponent (zero and subnormals included).
inline BinaryValue decompose(float x) {
  const auto bits = std::bit_cast<std::uint32_t>(x);
  const std::uint32_t biased = (bits >> 23) & 0xFFu;
  const std::uint32_t fraction = bits & 0x7FFFFFu;
  if (biased == 0) return {fraction, -149};  // zero or subnormal
  return {fraction | 0x800000u, static_cast<int>(biased) - 150};
}

// Beyond this many decimals every float times 10^decimals is an integer (the smallest
// subnormal is 2^-149), so more decimals only append zeros.
constexpr int kExactDecimals = 149;
// Enough for the digits of any float times 10^kExactDecimals (below 10^188).
constexpr int kDigitCapacity = 200;

// Decimal digits of round(|x| * 10^decimals), most significant first, without leading
// zeros (none at all for zero), written at the end of `buffer`.
struct RoundedDigits {
  std::array<char, kDigitCapacity> buffer;
  int begin = kDigitCapacity;   // digits are buffer[begin .. kDigitCapacity)
  long long trailingZeros = 0;  // further zero digits after the buffer (decimals > 149)

  int count() const { return kDigitCapacity - begin; }
  void pushFront(char c) { buffer[--begin] = c; }
  void appendUnsigned(std::uint64_t value) {
    while (value != 0) {
      pushFront(static_cast<char>('0' + value % 10));
      value /= 10;
    }
  }
};

inline constexpr std::array<std::uint64_t, 14> kPowersOfFive = {
    1,     5,      25,      125,     625,      3125,      15625,
    78125, 390625, 1953125, 9765625, 48828125, 244140625, 1220703125};

// round(|v| * 10^decimals) by 64-bit arithmetic; false when the case does not fit (the fields
// of the tool: few decimals, moderate magnitude, always fit). Inline: the common case of F
// output, the others are rare.
inline bool roundExactSmall(const BinaryValue& v, int decimals, RoundedDigits& digits) {
  if (decimals >= static_cast<int>(kPowersOfFive.size())) return false;
  std::uint64_t number = v.mantissa * kPowersOfFive[static_cast<std::size_t>(decimals)];  // < 2^55
  const int shift = v.exponent + decimals;
  if (shift > 8) return false;
  if (shift >= 0) {
    number <<= shift;
  } else if (-shift >= 56) {
    number = 0;  // below half of one unit: rounds to zero
  } else {
    const int drop = -shift;
    const bool halfBit = ((number >> (drop - 1)) & 1u) != 0;
    const bool belowHalf = (number & ((std::uint64_t{1} << (drop - 1)) - 1)) != 0;
    number >>= drop;
    if (halfBit && (belowHalf || (number & 1u) != 0)) ++number;
  }
  digits.appendUnsigned(number);
  return true;
}

// The same by 128-bit arithmetic; false beyond 27 decimals or a large magnitude.
bool roundExactNarrow(const BinaryValue& v, int decimals, RoundedDigits& digits);
// The same for every float and up to kExactDecimals decimals, by a wide integer.
void roundExactWide(const BinaryValue& v, int decimals, RoundedDigits& digits);

}  // namespace textio::fields::detail
