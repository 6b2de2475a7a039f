// Exact rounding of a float to a number of decimals: the float's exact binary value times a
// power of ten rounded to an integer (ties to even) with integer arithmetic, never printf, so
// F output does not depend on any C library. The digits come out most significant first.
#pragma once

#include <array>
#include <cstdint>

namespace textio::detail {

// A float is exactly mantissa * 2^exponent.
struct BinaryValue {
  std::uint32_t mantissa;
  int exponent;
};

// The float as mantissa * 2^exponent (zero and subnormals included).
BinaryValue decompose(float x);

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

// round(|v| * 10^decimals) by 64-bit arithmetic; false when the case does not fit (the fields
// of the tool: few decimals, moderate magnitude, always fit).
bool roundExactSmall(const BinaryValue& v, int decimals, RoundedDigits& digits);
// The same by 128-bit arithmetic; false beyond 27 decimals or a large magnitude.
bool roundExactNarrow(const BinaryValue& v, int decimals, RoundedDigits& digits);
// The same for every float and up to kExactDecimals decimals, by a wide integer.
void roundExactWide(const BinaryValue& v, int decimals, RoundedDigits& digits);

}  // namespace textio::detail
