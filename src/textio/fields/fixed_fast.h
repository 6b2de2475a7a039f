// Fast paths of the I and F field conversions for the shapes coordinate files hold (blanks, a
// sign, digits, one point) and of F output with few decimals. Each gives exactly what the
// general routine gives or declines, and the caller then runs the general routine.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "textio/fields/fixed_fields.h"

namespace textio::fields::fast {

// 10^0 .. 10^22: every one is exact in double (5^22 < 2^53).
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr int kLargestExactPower = 22;
// 10^0 .. 10^8 in float, each exact (5^8 < 2^24).
inline constexpr float kFloatPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f};

// The decimal n / 10^k rounded to double and then to float, as the general rule has it.
// Both n and 10^k are exact in double, so the quotient is the decimal correctly rounded to
// double. For n <= 2^24 and k <= 8 a single float division gives the same float: the two
// roundings could differ only if the double quotient fell exactly on a point halfway between
// two floats without the decimal being that point, but such a point (odd * 2^t with 25
// significant bits) is either the decimal itself or at least 2^t / 10^k away from it, more
// than half a unit of the double (at most 2^(t-29)), since 10^8 < 2^29.
inline float decimalToFloat(std::uint64_t n, int k) {
  if (n <= (std::uint64_t{1} << 24) && k <= 8) {
    return static_cast<float>(static_cast<std::uint32_t>(n)) / kFloatPowersOfTen[k];
  }
  return static_cast<float>(static_cast<double>(n) / kExactPowersOfTen[k]);
}
// An integer of this many decimal digits is below 2^53, so double holds it exactly.
inline constexpr int kExactDigits = 15;

inline bool isBlankOnly(const char* p, const char* end) {
  for (; p != end; ++p) {
    if (*p != ' ') return false;
  }
  return true;
}

namespace word {
inline constexpr std::uint64_t kOnes = 0x0101010101010101u;
inline constexpr std::uint64_t kHigh = 0x8080808080808080u;
inline constexpr std::uint64_t kLow = ~kHigh;

// 0x80 in every byte of `word` (all bytes below 128) that equals c: the difference byte is
// below 128, so adding 127 sets its top bit, without a carry into the next byte, exactly
// when it is not zero.
inline std::uint64_t bytesEqual(std::uint64_t word, char c) {
  const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
  return ~(x + kLow) & kHigh;
}

// 0x80 in every byte (all below 128) that is a decimal digit: adding 0x50 sets the top bit of
// a byte from '0' up, adding 0x46 of a byte above '9'.
inline std::uint64_t digitBytes(std::uint64_t word) {
  return (word + kOnes * 0x50) & ~(word + kOnes * 0x46) & kHigh;
}

// The value of eight decimal digit bytes, column 0 the most significant: pairs, then
// quadruples, then all eight, by multiplication.
inline std::uint32_t eightDigits(std::uint64_t text) {
  std::uint64_t value = text - kOnes * '0';
  value = value * 10 + (value >> 8);
  value = (((value & 0x000000FF000000FFu) * 0x000F424000000064u) +
           (((value >> 16) & 0x000000FF000000FFu) * 0x0000271000000001u)) >>
          32;
  return static_cast<std::uint32_t>(value);
}

// Each digit byte kept, every other byte made '0'.
inline std::uint64_t digitsOnly(std::uint64_t word, std::uint64_t digits) {
  const std::uint64_t keep = (digits >> 7) * 0xFFu;
  return (word & keep) | (kOnes * '0' & ~keep);
}
}  // namespace word

// An I field of one to eight columns read as one 64-bit word, its columns at the end of a
// word of blanks: blanks, an optional sign, then digits up to the last column (or nothing
// after the blanks and sign: 0). Declines anything else, such as blanks after the digits.
inline bool parseIntegerWord(const char* field, std::size_t width, IntegerField& result) {
  if constexpr (std::endian::native != std::endian::little) return false;
  using namespace word;
  if (width < 1 || width > 8) return false;
  // The columns as an integer (column 0 the low byte) from loads of whole words, which may
  // overlap: one word store and reload of the field would stall the processor.
  const auto load32 = [](const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return std::uint64_t{v};
  };
  std::uint64_t columns;
  if (width == 8) {
    std::memcpy(&columns, field, sizeof columns);
  } else if (width >= 4) {
    columns = load32(field) | (load32(field + width - 4) << (8 * (width - 4)));
  } else {
    columns = static_cast<unsigned char>(field[0]);
    for (std::size_t i = 1; i < width; ++i) {
      columns |= std::uint64_t{static_cast<unsigned char>(field[i])} << (8 * i);
    }
  }
  // Moved to the high end, the free low bytes blanks.
  const std::size_t free = 8 - width;
  const std::uint64_t bytes =
      free == 0 ? columns : (columns << (8 * free)) | (kOnes * ' ' >> (8 * width));
  if ((bytes & kHigh) != 0) return false;
  const std::uint64_t nonBlank = ~bytesEqual(bytes, ' ') & kHigh;
  if (nonBlank == 0) {
    result = {0, 0};
    return true;
  }
  const int lead = std::countr_zero(nonBlank) / 8;
  const char first = static_cast<char>(bytes >> (8 * lead));
  const bool negative = first == '-';
  const int start = lead + ((negative || first == '+') ? 1 : 0);
  if (start == 8) {  // a lone sign
    result = {0, 0};
    return true;
  }
  const std::uint64_t digits = digitBytes(bytes);
  const std::uint64_t rest = kHigh << (8 * start);
  if ((digits & rest) != rest) return false;
  const auto value = static_cast<std::int32_t>(eightDigits(digitsOnly(bytes, digits)));
  result = {negative ? -value : value, 0};
  return true;
}

// An I field of the shape: blanks, an optional sign, at most nine digits, blanks. Sets
// `result` and answers true; any other field (blanks between digits, ten digits, a tab, ...)
// answers false and leaves `result` alone.
inline bool parseInteger(std::string_view field, IntegerField& result) {
  if (field.size() <= 8 && parseIntegerWord(field.data(), field.size(), result)) return true;
  const char* p = field.data();
  const char* const end = p + field.size();
  while (p != end && *p == ' ') ++p;
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  std::uint32_t magnitude = 0;  // wraps harmlessly past nine digits, which are declined
  int digits = 0;
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (digit > 9) break;
    magnitude = magnitude * 10 + digit;
    ++digits;
  }
  if (digits > 9 || !isBlankOnly(p, end)) return false;
  const auto value = static_cast<std::int32_t>(magnitude);
  result = {negative ? -value : value, 0};
  return true;
}

// The eight columns of an F8.d field as GROMACS writes them, read as one 64-bit word: blanks,
// an optional minus, digits with at most one point, at least one digit, nothing after. A
// bit mask per byte class (blank, point, digit) checks the shape without a branch per
// column, and the digits are combined by multiplication, eight at a time. Declines anything
// else; parseReal then looks at the field column by column.
inline bool parseRealEightColumns(const char* field, int decimals, RealField& result) {
  if constexpr (std::endian::native != std::endian::little) return false;
  using namespace word;
  std::uint64_t bytes;
  std::memcpy(&bytes, field, sizeof bytes);  // column i is byte i
  if ((bytes & kHigh) != 0) return false;    // bytes above 127: the sums would carry
  const std::uint64_t digits = digitBytes(bytes);
  if (digits == 0) return false;  // a lone sign or point: the column-wise path says +0.0
  const std::uint64_t points = bytesEqual(bytes, '.');
  const int lead = std::countr_zero(~bytesEqual(bytes, ' ') & kHigh) / 8;  // first non-blank
  const bool negative = field[lead] == '-';
  const int start = lead + (negative ? 1 : 0);  // below 8: a digit follows the blanks
  const std::uint64_t rest = kHigh << (8 * start);
  if (((digits | points) & rest) != rest || (points & (points - 1)) != 0) {
    return false;  // something else after the sign, or a second point
  }
  // The digits with every other column as '0', then the columns before the point moved up
  // by one over it: eight decimal digits, the point removed.
  std::uint64_t text = digitsOnly(bytes, digits);
  int scale = decimals;
  if (points != 0) {
    const int point = std::countr_zero(points) / 8;
    const std::uint64_t before = text & ((std::uint64_t{1} << (8 * point)) - 1);
    const std::uint64_t after = text & ((~std::uint64_t{0} << (8 * point)) << 8);
    text = (before << 8) | after | '0';
    scale = 7 - point;
  }
  if (scale < 0 || scale > kLargestExactPower) return false;
  const float magnitude = decimalToFloat(eightDigits(text), scale);
  result = {negative ? -magnitude : magnitude, 0};
  return true;
}

// An F field of the shape: blanks (and the control characters 9-13) before, an optional
// sign, digits with at most one point, blanks after; at most 15 digits. The value is the
// integer of the digits divided by 10^k, k the digits after the point (or `decimals` without
// a point): both exact in double, so the quotient is the decimal value correctly rounded to
// double, which is then rounded to float, as the general rule does. Anything else (an
// exponent, a comma, a word, a blank between digits, more digits) answers false.
inline bool parseReal(std::string_view field, int decimals, RealField& result) {
  if (field.size() == 8 && parseRealEightColumns(field.data(), decimals, result)) return true;
  const char* p = field.data();
  const char* const end = p + field.size();
  while (p != end && (*p == ' ' || (*p >= 9 && *p <= 13))) ++p;
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  std::uint64_t digitsValue = 0;  // wraps harmlessly past 19 digits, which are declined
  int digits = 0;
  int afterPoint = -1;  // digits after the point, -1 while no point was read
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (digit <= 9) {
      digitsValue = digitsValue * 10 + digit;
      ++digits;
      if (afterPoint >= 0) ++afterPoint;
    } else if (*p == '.' && afterPoint < 0) {
      afterPoint = 0;
    } else {
      break;
    }
  }
  if (digits > kExactDigits || !isBlankOnly(p, end)) return false;
  if (digits == 0) {
    // A lone sign or point, or nothing: zero without a sign.
    result = {0.0f, 0};
    return true;
  }
  const int scale = afterPoint >= 0 ? afterPoint : decimals;
  if (scale < 0 || scale > kLargestExactPower) return false;
  const float magnitude = decimalToFloat(digitsValue, scale);
  // A minus before zeros only gives -0.0.
  result = {negative ? -magnitude : magnitude, 0};
  return true;
}

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
  if (shift >= 0) {
    number <<= shift;
  } else if (shift < -50) {
    number = 0;  // far below half of one unit
  } else {
    // Without branches: which way a value rounds is as unpredictable as its last digit.
    const int drop = -shift;
    const std::uint64_t half = std::uint64_t{1} << (drop - 1);
    const std::uint64_t dropped = number & ((half << 1) - 1);
    number >>= drop;
    number += static_cast<std::uint64_t>(dropped > half) |
              (static_cast<std::uint64_t>(dropped == half) & number & 1u);
  }
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

// I output with at least one digit into a field of at most 32 columns: writes exactly
// `width` columns at `out` (digits right-justified, "-" before them, asterisks when they do
// not fit) and answers how they came out; std::nullopt for wider fields or more minimum
// digits, which the general formatter takes.
inline std::optional<FieldFit> formatInteger(std::int32_t value, int width, int minimumDigits,
                                             char* out) {
  if (width < 1 || width > kFastWidth || minimumDigits > 1) return std::nullopt;
  const std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
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
