// Fast paths of I and F field output: F with few decimals rounded exactly from the float's
// bits, digits built in registers. Each gives exactly what the general formatter gives or
// declines, and the caller then runs the general formatter.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "textio/fields/fixed_fields.h"

namespace textio::fields::fast {

inline constexpr std::uint64_t kPowersOfFive[] = {1,    5,     25,    125,    625,
                                                  3125, 15625, 78125, 390625, 1953125};
// 10^0 .. 10^19, the powers of ten below 2^64.
inline constexpr std::uint64_t kPowersOfTenU64[] = {1ull,
                                                    10ull,
                                                    100ull,
                                                    1000ull,
                                                    10000ull,
                                                    100000ull,
                                                    1000000ull,
                                                    10000000ull,
                                                    100000000ull,
                                                    1000000000ull,
                                                    10000000000ull,
                                                    100000000000ull,
                                                    1000000000000ull,
                                                    10000000000000ull,
                                                    100000000000000ull,
                                                    1000000000000000ull,
                                                    10000000000000000ull,
                                                    100000000000000000ull,
                                                    1000000000000000000ull,
                                                    10000000000000000000ull};
inline constexpr int kFastDecimals = 9;
inline constexpr int kFastWidth = 32;

// The eight decimal digits of n < 10^8, leading zeros included, as the bytes of a
// little-endian word in the order they are written (the first byte the most significant
// digit): the halves, then pairs, then single digits are split in parallel lanes by
// multiplications, n / 100 being (n * 10486) >> 20 for n < 10^4 and n / 10 being
// (n * 103) >> 10 for n < 100.
inline std::uint64_t eightDigits(std::uint32_t n) {
  const std::uint64_t halves = (n / 10000) | (std::uint64_t{n % 10000} << 32);
  const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007Full;
  const std::uint64_t pairs = hundreds | ((halves - 100 * hundreds) << 16);
  const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Full;
  return (tens | ((pairs - 10 * tens) << 8)) + 0x3030303030303030ull;
}

// The F text of the rounded value `number` / 10^decimals (number < 10^8, 1 <= decimals <= 7)
// in `width` columns at `out`, built in registers: the eight digits, the point slid in before
// the last `decimals` of them, the leading zeros turned into blanks (but for the optional zero
// before the point) and the sign placed. std::nullopt, leaving `out` alone, when the text
// takes ten characters (a sign before eight digits).
[[gnu::always_inline]] inline std::optional<FieldFit> formatEightDigits(std::uint64_t number,
                                                                        int decimals, bool minusBit,
                                                                        int width, char* out) {
  const int digits = 1 + static_cast<int>(number >= 10) + static_cast<int>(number >= 100) +
                     static_cast<int>(number >= 1000) + static_cast<int>(number >= 10000) +
                     static_cast<int>(number >= 100000) + static_cast<int>(number >= 1000000) +
                     static_cast<int>(number >= 10000000);
  const int integerDigits = number >= kPowersOfTenU64[decimals] ? digits - decimals : 0;
  // Zero is written without a sign.
  const bool negative = minusBit && number != 0;
  const int needed = (negative ? 1 : 0) + integerDigits + 1 + decimals;
  if (needed > width) {
    for (int i = 0; i < width; ++i) out[i] = '*';
    return FieldFit::Asterisks;
  }
  const bool leadingZero = integerDigits == 0 && needed + 1 <= width;
  // The nine characters are 8 - decimals integer digits, the point and the decimals: the
  // first eight in `head`, the last digit apart.
  const int integerPlaces = 8 - decimals;
  const int first = integerPlaces - integerDigits - (leadingZero ? 1 : 0) - (negative ? 1 : 0);
  if (first < 0) return std::nullopt;
  const std::uint64_t word = eightDigits(static_cast<std::uint32_t>(number));
  const std::uint64_t integerMask = (std::uint64_t{1} << (8 * integerPlaces)) - 1;
  std::uint64_t head = (word & integerMask) | ((word & ~integerMask) << 8) |
                       (std::uint64_t{'.'} << (8 * integerPlaces));
  const std::uint64_t last = word >> 56;
  const std::uint64_t blankMask = (std::uint64_t{1} << (8 * first)) - 1;
  head = (head & ~blankMask) | (0x2020202020202020ull & blankMask);
  const std::uint64_t sign = std::uint64_t{negative ? 0xFFu : 0u} << (8 * first);
  head = (head & ~sign) | (std::uint64_t{'-'} << (8 * first) & sign);
  // Stored straight from registers: read back from a buffer, bytes that straddle two stores
  // would wait for both.
  if (width == 8) {
    const std::uint64_t columns = (head >> 8) | (last << 56);
    std::memcpy(out, &columns, 8);
  } else if (width >= 9) {
    for (int i = 0; i < width - 9; ++i) out[i] = ' ';
    std::memcpy(out + width - 9, &head, 8);
    out[width - 1] = static_cast<char>(last);
  } else {
    const std::uint64_t columns = (head >> (8 * (9 - width))) | (last << (8 * (width - 1)));
    for (int i = 0; i < width; ++i) out[i] = static_cast<char>(columns >> (8 * i));
  }
  return FieldFit::Fits;
}

// |x| * 10^decimals rounded to an integer, ties to the even one, for the float of `bits`
// (decimals <= kFastDecimals); nothing for NaN, infinity and values past 64 bits.
[[gnu::always_inline]] inline std::optional<std::uint64_t> roundedDecimal(std::uint32_t bits,
                                                                          int decimals) {
  const std::uint32_t biased = (bits >> 23) & 0xFFu;
  if (biased == 0xFFu) return std::nullopt;
  std::uint64_t mantissa = bits & 0x7FFFFFu;
  int exponent = -149;  // zero and subnormals
  if (biased != 0) {
    mantissa |= 0x800000u;
    exponent = static_cast<int>(biased) - 150;
  }
  std::uint64_t number = mantissa * kPowersOfFive[decimals];  // below 2^24 * 5^9 < 2^45
  const int shift = exponent + decimals;
  if (shift > 18) return std::nullopt;  // 2^45 * 2^18 stays below 2^64
  if (shift >= 0) return number << shift;
  if (shift < -50) return 0;  // far below half of one unit
  // Without branches: which way a value rounds is as unpredictable as its last digit.
  const int drop = -shift;
  const std::uint64_t half = std::uint64_t{1} << (drop - 1);
  const std::uint64_t dropped = number & ((half << 1) - 1);
  number >>= drop;
  return number + (static_cast<std::uint64_t>(dropped > half) |
                   (static_cast<std::uint64_t>(dropped == half) & number & 1u));
}

// F output of a finite value with at most nine decimals into a field of at most 32 columns,
// when the rounded value fits in 64 bits: writes exactly `width` columns at `out` and
// answers how they came out; std::nullopt leaves `out` alone (NaN, infinity, more decimals,
// wider fields, huge values). The rounding is exact: the float is mantissa * 2^exponent, so
// x * 10^d = mantissa * 5^d * 2^(exponent + d), an integer shifted by a power of two, and the
// bits shifted out decide the rounding, ties to the even digit.
[[gnu::always_inline]] inline std::optional<FieldFit> formatFixed(float value, int width,
                                                                  int decimals, char* out) {
  if (decimals < 0 || decimals > kFastDecimals || width < 1 || width > kFastWidth) {
    return std::nullopt;
  }
  const auto bits = std::bit_cast<std::uint32_t>(value);
  const std::optional<std::uint64_t> rounded = roundedDecimal(bits, decimals);
  if (!rounded) return std::nullopt;
  const std::uint64_t number = *rounded;
  if (number < kPowersOfTenU64[8] && decimals >= 1 && decimals <= 7) {
    if (const std::optional<FieldFit> fit =
            formatEightDigits(number, decimals, (bits >> 31) != 0, width, out)) {
      return fit;
    }
  }

  // The text of the rounded value, without sign and optional zero, is its integer digits (none
  // when the integer part is zero), the point and `decimals` digits: decide the width first,
  // then write the digits straight into their columns from the right (digits gathered in a
  // buffer and copied over would be read back before the stores of single bytes settle).
  int digits = 1;
  while (digits < 20 && number >= kPowersOfTenU64[digits]) ++digits;
  const int integerDigits = number >= kPowersOfTenU64[decimals] ? digits - decimals : 0;
  const int length = integerDigits + 1 + decimals;
  // Every decision below uses the rounded digits; zero is written without a sign.
  const bool negative = (bits >> 31) != 0 && number != 0;
  const int needed = (negative ? 1 : 0) + length;
  if (needed > width) {
    for (int i = 0; i < width; ++i) out[i] = '*';
    return FieldFit::Asterisks;
  }
  char* column = out + width;
  std::uint64_t rest = number;
  for (int i = 0; i < decimals; ++i, rest /= 10) *--column = static_cast<char>('0' + rest % 10);
  *--column = '.';
  for (; rest != 0; rest /= 10) *--column = static_cast<char>('0' + rest % 10);
  if (integerDigits == 0 && needed + 1 <= width) *--column = '0';
  if (negative) *--column = '-';
  while (column != out) *--column = ' ';
  return FieldFit::Fits;
}

// F8.3 or F8.4 of `value` at `out`, the fields of an atom line's coordinates and velocities,
// as formatFixed writes them and with its answer: false only where formatFixed declines. The float
// times 10^3 or 10^4 is exact in a double (24 bits of mantissa times 125 * 2^3 or 625 * 2^4 need at
// most 34), so one conversion to an integer, rounding to nearest with ties to even, rounds the
// float's own value; the digits then take their columns in one word.
template <int Decimals>
[[gnu::always_inline]] inline bool formatReal8(float value, char* out) {
  static_assert(Decimals == 3 || Decimals == 4);
  const double scaled = std::fabs(static_cast<double>(value)) * (Decimals == 3 ? 1e3 : 1e4);
#if defined(__SSE2__)
  // NaN and values past 2^31 come back as 0x80000000, past both limits below.
  const auto n = static_cast<std::uint32_t>(_mm_cvtsd_si32(_mm_set_sd(scaled)));
#else
  const auto n = scaled < 1e9 ? static_cast<std::uint32_t>(std::nearbyint(scaled)) : 0xFFFFFFFFu;
#endif
  const bool negative = std::signbit(value) && n != 0;  // zero is written without a sign
  // Eight columns hold seven digits and the point, or a sign and six digits.
  if (n > (negative ? 999999u : 9999999u)) {
    return formatFixed(value, 8, Decimals, out).has_value();
  }
  // The first of the eight digits is 0 and dropped; the point goes in before the last Decimals.
  const std::uint64_t digits = eightDigits(n);
  constexpr int kPoint = 7 - Decimals;  // the column of the point
  constexpr std::uint64_t kIntegerMask = (std::uint64_t{1} << (8 * kPoint)) - 1;
  std::uint64_t word = ((digits >> 8) & kIntegerMask) | (std::uint64_t{'.'} << (8 * kPoint)) |
                       (digits & ~((kIntegerMask << 8) | 0xFFu));
  // Leading zeros become blanks, but for the one before the point.
  const int zeros = std::min(std::countr_zero(word ^ 0x3030303030303030ull) / 8, kPoint - 1);
  const std::uint64_t blanks = (std::uint64_t{1} << (8 * zeros)) - 1;
  word = (word & ~blanks) | (0x2020202020202020ull & blanks);
  // A negative value has at least one blank: the last one turns into the sign (' ' ^ '-').
  word ^= (std::uint64_t{negative} * 0x0Du) << ((8 * zeros - 8) & 63);
  std::memcpy(out, &word, 8);
  return true;
}

// I output with at least one digit into a field of at most 32 columns: writes exactly
// `width` columns at `out` (digits right-justified, "-" before them, asterisks when they do
// not fit) and answers how they came out; std::nullopt for wider fields or more minimum
// digits, which the general formatter takes.
inline std::optional<FieldFit> formatInteger(std::int32_t value, int width, int minimumDigits,
                                             char* out) {
  if (width < 1 || width > kFastWidth || minimumDigits > 1) return std::nullopt;
  const std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  if (width <= 8 && magnitude < kPowersOfTenU64[8]) {
    // The field built in a register from the eight digits: the leading zeros dropped (one
    // digit kept), blanks and the sign before the rest.
    const std::uint64_t word = eightDigits(magnitude);
    const int zeros = std::min(7, std::countr_zero(word ^ 0x3030303030303030ull) / 8);
    const int digits = 8 - zeros;
    const int first = width - digits - (value < 0 ? 1 : 0);  // the first column not blank
    if (first < 0) {
      for (int i = 0; i < width; ++i) out[i] = '*';
      return FieldFit::Asterisks;
    }
    std::uint64_t columns = (word >> (8 * zeros)) << (8 * (width - digits));
    columns |= 0x2020202020202020ull & ((std::uint64_t{1} << (8 * first)) - 1);
    if (value < 0) columns |= std::uint64_t{'-'} << (8 * first);
    std::memcpy(out, &columns, static_cast<std::size_t>(width));
    return FieldFit::Fits;
  }
  int digits = 1;
  while (digits < 10 && magnitude >= kPowersOfTenU64[digits]) ++digits;
  const int length = digits + (value < 0 ? 1 : 0);
  if (length > width) {
    for (int i = 0; i < width; ++i) out[i] = '*';
    return FieldFit::Asterisks;
  }
  char* column = out + width;
  std::uint32_t rest = magnitude;
  do {
    *--column = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (value < 0) *--column = '-';
  while (column != out) *--column = ' ';
  return FieldFit::Fits;
}

}  // namespace textio::fields::fast
