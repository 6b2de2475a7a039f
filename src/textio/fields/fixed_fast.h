// Fast paths of the I and F field input for the shapes coordinate files hold (blanks, a sign,
// digits, one point). Each gives exactly what the general routine gives or declines, and the
// caller then runs the general routine. Output: fixed_fast_output.h.
#pragma once

#include <algorithm>
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

}  // namespace textio::fields::fast
