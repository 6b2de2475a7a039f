// Fast paths of the I and F field conversions for the shapes coordinate files hold (blanks, a
// sign, digits, one point) and of F output with few decimals. Each gives exactly what the
// general routine gives or declines, and the caller then runs the general routine.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "textio/fixed_fields.h"

namespace textio::fast {

// 10^0 .. 10^22: every one is exact in double (5^22 < 2^53).
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr int kLargestExactPower = 22;
// An integer of this many decimal digits is below 2^53, so double holds it exactly.
inline constexpr int kExactDigits = 15;

inline bool isBlankOnly(const char* p, const char* end) {
  for (; p != end; ++p) {
    if (*p != ' ') return false;
  }
  return true;
}

// An I field of the shape: blanks, an optional sign, at most nine digits, blanks. Sets
// `result` and answers true; any other field (blanks between digits, ten digits, a tab, ...)
// answers false and leaves `result` alone.
inline bool parseInteger(std::string_view field, IntegerField& result) {
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
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  constexpr std::uint64_t kLow = ~kHigh;
  std::uint64_t word;
  std::memcpy(&word, field, sizeof word);  // column i is byte i
  if ((word & kHigh) != 0) return false;   // bytes above 127: the sums below would carry
  // 0x80 in every byte that equals c: the difference byte is below 128, so adding 127 sets
  // its top bit, without a carry into the next byte, exactly when it is not zero.
  const auto bytesEqual = [word](char c) {
    const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
    return ~(x + kLow) & kHigh;
  };
  const std::uint64_t blanks = bytesEqual(' ');
  const std::uint64_t points = bytesEqual('.');
  // A byte below 128 is at least '0' when adding 0x50 sets its top bit, above '9' when
  // adding 0x46 does.
  const std::uint64_t digits = (word + kOnes * 0x50) & ~(word + kOnes * 0x46) & kHigh;
  if (digits == 0) return false;  // a lone sign or point: the column-wise path says +0.0
  const int lead = std::countr_zero(~blanks & kHigh) / 8;  // first column that is not blank
  const bool negative = field[lead] == '-';
  const int start = lead + (negative ? 1 : 0);  // below 8: a digit follows the blanks
  const std::uint64_t rest = kHigh << (8 * start);
  if (((digits | points) & rest) != rest || (points & (points - 1)) != 0) {
    return false;  // a second point
  }
  // The digits with every other column as '0', then the columns before the point moved up
  // by one over it: eight decimal digits, the point removed.
  const std::uint64_t digitBytes = (digits >> 7) * 0xFFu;
  std::uint64_t text = (word & digitBytes) | (kOnes * '0' & ~digitBytes);
  int scale = decimals;
  if (points != 0) {
    const int point = std::countr_zero(points) / 8;
    const std::uint64_t before = text & ((std::uint64_t{1} << (8 * point)) - 1);
    const std::uint64_t after = text & ((~std::uint64_t{0} << (8 * point)) << 8);
    text = (before << 8) | after | '0';
    scale = 7 - point;
  }
  if (scale < 0 || scale > kLargestExactPower) return false;
  // Pairs, then quadruples, then the eight digits (column 0 the most significant).
  std::uint64_t value = text - kOnes * '0';
  value = value * 10 + (value >> 8);
  value = (((value & 0x000000FF000000FFu) * 0x000F424000000064u) +
           (((value >> 16) & 0x000000FF000000FFu) * 0x0000271000000001u)) >>
          32;
  const auto magnitude = static_cast<float>(static_cast<double>(static_cast<std::uint32_t>(value)) /
                                            kExactPowersOfTen[scale]);
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
  const auto magnitude =
      static_cast<float>(static_cast<double>(digitsValue) / kExactPowersOfTen[scale]);
  // A minus before zeros only gives -0.0.
  result = {negative ? -magnitude : magnitude, 0};
  return true;
}

inline constexpr std::uint64_t kPowersOfFive[] = {1,    5,     25,    125,    625,
                                                  3125, 15625, 78125, 390625, 1953125};
inline constexpr int kFastDecimals = 9;
inline constexpr int kFastWidth = 32;

// F output of a finite value with at most nine decimals into a field of at most 32 columns,
// when the rounded value fits in 64 bits: writes exactly `width` columns at `out` and
// answers how they came out; std::nullopt leaves `out` alone (NaN, infinity, more decimals,
// wider fields, huge values). The rounding is exact: the float is mantissa * 2^exponent, so
// x * 10^d = mantissa * 5^d * 2^(exponent + d), an integer shifted by a power of two, and the
// bits shifted out decide the rounding, ties to the even digit.
inline std::optional<FieldFit> formatFixed(float value, int width, int decimals, char* out) {
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
    const int drop = -shift;
    const bool halfBit = ((number >> (drop - 1)) & 1u) != 0;
    const bool belowHalf = (number & ((std::uint64_t{1} << (drop - 1)) - 1)) != 0;
    number >>= drop;
    if (halfBit && (belowHalf || (number & 1u) != 0)) ++number;
  }

  // The text of the rounded value without sign and optional zero, built from the right:
  // the decimals, the point, the integer digits (none when the integer part is zero).
  char text[24];  // up to 20 digits and the point
  char* const textEnd = text + sizeof text;
  char* first = textEnd;
  std::uint64_t rest = number;
  for (int i = 0; i < decimals; ++i, rest /= 10) *--first = static_cast<char>('0' + rest % 10);
  *--first = '.';
  for (; rest != 0; rest /= 10) *--first = static_cast<char>('0' + rest % 10);
  const int length = static_cast<int>(textEnd - first);
  // Every decision below uses the rounded digits; zero is written without a sign.
  const bool negative = (bits >> 31) != 0 && number != 0;
  const int needed = (negative ? 1 : 0) + length;
  if (needed > width) {
    for (int i = 0; i < width; ++i) out[i] = '*';
    return FieldFit::Asterisks;
  }
  const bool leadingZero = *first == '.' && needed + 1 <= width;
  char* column = out + width - length;
  for (int i = 0; i < length; ++i) column[i] = first[i];
  if (leadingZero) *--column = '0';
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
  char text[12];  // ten digits and a sign
  char* const textEnd = text + sizeof text;
  char* first = textEnd;
  std::uint32_t rest =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  do {
    *--first = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (value < 0) *--first = '-';
  const int length = static_cast<int>(textEnd - first);
  if (length > width) {
    for (int i = 0; i < width; ++i) out[i] = '*';
    return FieldFit::Asterisks;
  }
  char* column = out + width - length;
  for (int i = 0; i < length; ++i) column[i] = first[i];
  while (column != out) *--column = ' ';
  return FieldFit::Fits;
}

}  // namespace textio::fast
