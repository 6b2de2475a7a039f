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

#if defined(__SSE2__)
// F8.3 of values[0..2] and F8.4 of values[3..5] in the 48 columns at `out`, exactly as six
// calls of formatReal8 write them, two fields to a register: false, leaving `out` alone, when
// one of them needs more than formatReal8's digits-in-a-word path (NaN, infinity, a value
// past seven digits or a negative one past six), for the caller to take them one by one.
[[gnu::always_inline]] inline bool formatSixReals8(const float* values, char* out) {
  const __m128 first = _mm_loadu_ps(values);  // the positions and the first velocity
  // Loaded as integers: __m128i may alias the floats, a double would not.
  const __m128 last =
      _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + 4)));  // and 0, 0
  // |v| * 10^decimals in doubles, exact, then rounded to nearest with ties to the even
  // integer, as formatReal8 does; NaN and values past 2^31 come back as 0x80000000.
  const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
  const __m128i n01 =
      _mm_cvtpd_epi32(_mm_mul_pd(_mm_and_pd(_mm_cvtps_pd(first), magnitude), _mm_set1_pd(1e3)));
  const __m128i n23 = _mm_cvtpd_epi32(_mm_mul_pd(
      _mm_and_pd(_mm_cvtps_pd(_mm_movehl_ps(first, first)), magnitude), _mm_set_pd(1e4, 1e3)));
  const __m128i n45 =
      _mm_cvtpd_epi32(_mm_mul_pd(_mm_and_pd(_mm_cvtps_pd(last), magnitude), _mm_set1_pd(1e4)));
  const __m128i n0123 = _mm_unpacklo_epi64(n01, n23);
  const __m128i zero = _mm_setzero_si128();
  // A sign only before digits that are not all zero.
  const __m128i negative0123 =
      _mm_andnot_si128(_mm_cmpeq_epi32(n0123, zero), _mm_srai_epi32(_mm_castps_si128(first), 31));
  const __m128i negative45 =
      _mm_andnot_si128(_mm_cmpeq_epi32(n45, zero), _mm_srai_epi32(_mm_castps_si128(last), 31));
  // Eight columns hold seven digits and the point, or a sign and six digits.
  const auto outOfRange = [&](__m128i n, __m128i negative) {
    const __m128i limit =
        _mm_sub_epi32(_mm_set1_epi32(9999999), _mm_and_si128(negative, _mm_set1_epi32(9000000)));
    return _mm_or_si128(_mm_cmpgt_epi32(n, limit), _mm_cmpgt_epi32(zero, n));
  };
  if (_mm_movemask_epi8(
          _mm_or_si128(outOfRange(n0123, negative0123), outOfRange(n45, negative45))) != 0) {
    return false;
  }
  // n / 10^4 and n % 10^4 side by side in each number's 64-bit lane: n * 3518437209 >> 45 is
  // n / 10^4 for every n below 2^32.
  const auto halves = [&](__m128i n, __m128i& low, __m128i& high) {
    const __m128i reciprocal = _mm_set1_epi32(static_cast<int>(3518437209u));
    const __m128i even = _mm_srli_epi64(_mm_mul_epu32(n, reciprocal), 45);
    const __m128i odd = _mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(n, 32), reciprocal), 45);
    const __m128i quotient = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
    // quotient * 10^4 below 2^32 from its 16-bit halves (the quotient is below 2^16).
    const __m128i tenThousand = _mm_set1_epi32(10000);
    const __m128i product =
        _mm_add_epi32(_mm_mullo_epi16(quotient, tenThousand),
                      _mm_slli_epi32(_mm_mulhi_epu16(quotient, tenThousand), 16));
    const __m128i remainder = _mm_sub_epi32(n, product);
    low = _mm_unpacklo_epi32(quotient, remainder);
    high = _mm_unpackhi_epi32(quotient, remainder);
  };
  // The eight ASCII digits of the two numbers of a register, as eightDigits gives one.
  const auto digits = [&](__m128i fourDigitHalves) {
    const __m128i hundreds =
        _mm_srli_epi16(_mm_mulhi_epu16(fourDigitHalves, _mm_set1_epi16(5243)), 3);
    const __m128i pairs = _mm_or_si128(
        hundreds,
        _mm_slli_epi32(
            _mm_sub_epi16(fourDigitHalves, _mm_mullo_epi16(hundreds, _mm_set1_epi16(100))), 16));
    const __m128i tens = _mm_mulhi_epu16(pairs, _mm_set1_epi16(6554));
    const __m128i ones = _mm_sub_epi16(pairs, _mm_mullo_epi16(tens, _mm_set1_epi16(10)));
    return _mm_add_epi8(_mm_or_si128(tens, _mm_slli_epi16(ones, 8)), _mm_set1_epi8('0'));
  };
  // The first digit (always 0) dropped, the point slid in before the decimals, the leading
  // zeros but the one before the point turned into blanks, and the sign in the last blank.
  // `integers` holds the integer columns of each lane, `leading` those a blank may take.
  const auto field = [&](__m128i word, __m128i negative, __m128i integers, __m128i leading,
                         __m128i point) {
    word = _mm_or_si128(
        _mm_or_si128(_mm_and_si128(_mm_srli_epi64(word, 8), integers), point),
        _mm_andnot_si128(_mm_or_si128(_mm_slli_epi64(integers, 8), _mm_set1_epi64x(0xFF)), word));
    const __m128i lowByte = _mm_set1_epi64x(0xFF);
    __m128i zeros = _mm_and_si128(_mm_cmpeq_epi8(word, _mm_set1_epi8('0')), leading);
    zeros = _mm_and_si128(zeros, _mm_or_si128(_mm_slli_epi64(zeros, 8), lowByte));
    zeros = _mm_and_si128(zeros, _mm_or_si128(_mm_slli_epi64(zeros, 8), lowByte));
    word = _mm_xor_si128(word, _mm_and_si128(zeros, _mm_set1_epi8('0' ^ ' ')));
    const __m128i lastBlank = _mm_andnot_si128(_mm_srli_epi64(zeros, 8), zeros);
    return _mm_xor_si128(
        word, _mm_and_si128(_mm_and_si128(lastBlank, negative), _mm_set1_epi8(' ' ^ '-')));
  };
  __m128i halves01;
  __m128i halves23;
  __m128i halves45;
  __m128i unused;
  halves(n0123, halves01, halves23);
  halves(n45, halves45, unused);
  // Per lane: F8.3 has four integer columns (three may be blank), F8.4 three (two).
  const __m128i integers3 = _mm_set1_epi64x(0xFFFFFFFFll);
  const __m128i integers4 = _mm_set1_epi64x(0xFFFFFFll);
  const __m128i leading3 = _mm_set1_epi64x(0xFFFFFFll);
  const __m128i leading4 = _mm_set1_epi64x(0xFFFFll);
  const __m128i point3 = _mm_set1_epi64x(0x2E00000000ll);  // '.' in the fifth column
  const __m128i point4 = _mm_set1_epi64x(0x2E000000ll);    // and in the fourth
  const __m128i columns01 = field(digits(halves01), _mm_unpacklo_epi32(negative0123, negative0123),
                                  integers3, leading3, point3);
  const __m128i columns23 =
      field(digits(halves23), _mm_unpackhi_epi32(negative0123, negative0123),
            _mm_unpacklo_epi64(integers3, integers4), _mm_unpacklo_epi64(leading3, leading4),
            _mm_unpacklo_epi64(point3, point4));
  const __m128i columns45 = field(digits(halves45), _mm_unpacklo_epi32(negative45, negative45),
                                  integers4, leading4, point4);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), columns01);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), columns23);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), columns45);
  return true;
}
#endif

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

// I5 of `value` at `out`, as formatInteger writes it: the numbers of atom lines, which the
// file keeps below 100000, take the digits in a word; others formatInteger itself.
[[gnu::always_inline]] inline bool formatInteger5(std::int32_t value, char* out) {
  if (static_cast<std::uint32_t>(value) > 99999u)
    return formatInteger(value, 5, 1, out).has_value();
  const std::uint64_t five = eightDigits(static_cast<std::uint32_t>(value)) >> 24;
  // Leading zeros become blanks, but for the last digit.
  const int zeros = std::min(std::countr_zero(five ^ 0x3030303030ull) / 8, 4);
  const std::uint64_t columns = five ^ (0x1010101010ull & ((std::uint64_t{1} << (8 * zeros)) - 1));
  std::memcpy(out, &columns, 5);
  return true;
}

}  // namespace textio::fields::fast
