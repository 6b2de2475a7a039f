// F fields: reals written with a fixed number of decimals from the exactly rounded digits
// (exact_rounding.h), and read with an implied point, exponents, Inf and NaN words.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <system_error>

#include "textio/fields/exact_rounding.h"
#include "textio/fields/field_columns.h"
#include "textio/fields/fixed_fast.h"
#include "textio/fields/fixed_fast_output.h"
#include "textio/fields/fixed_fields.h"

namespace textio::fields {

using detail::appendAsterisks;
using detail::appendBlanks;
using detail::isDigit;

namespace {

FieldFit formatNotANumber(float value, int width, std::string& out) {
  // A NaN has no sign as a number; an infinity keeps its own.
  const bool isNan = std::isnan(value);
  const std::string_view word = isNan ? "NaN" : "Infinity";
  const bool negative = !isNan && std::signbit(value);
  const long long needed = 1 + (negative ? 1 : 0) + static_cast<long long>(word.size());
  if (needed > width) {
    appendAsterisks(width, out);
    return FieldFit::Asterisks;
  }
  out.push_back(' ');
  if (negative) out.push_back('-');
  out.append(word);
  appendBlanks(width - needed, out);
  return FieldFit::Fits;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithWord(std::string_view text, std::string_view lowerWord) {
  if (text.size() < lowerWord.size()) return false;
  for (std::size_t i = 0; i < lowerWord.size(); ++i) {
    if (lowerAscii(text[i]) != lowerWord[i]) return false;
  }
  return true;
}

constexpr int kMaxSignificantDigits = 27;

// The decimal number read so far: significant digits times 10^scale.
struct DecimalMantissa {
  std::array<char, kMaxSignificantDigits> digits{};
  int count = 0;
  std::int64_t scale = 0;
  bool anyDigit = false;  // a digit, even a zero, was read
  bool point = false;

  void addDigit(char c) {
    anyDigit = true;
    if (count == 0 && c == '0') {
      if (point) --scale;
      return;
    }
    if (count < kMaxSignificantDigits) {
      digits[static_cast<std::size_t>(count++)] = c;
      if (point) --scale;
    } else if (!point) {
      ++scale;  // a dropped digit still moves the point
    }
  }
};

// Value of the mantissa with the exponent, through double, then to float. Sets tooLarge
// when the result does not fit in a float.
float composeReal(const DecimalMantissa& m, bool negative, int decimals, std::int64_t exponent,
                  bool& tooLarge) {
  tooLarge = false;
  if (m.count == 0) return (negative && m.anyDigit) ? -0.0f : 0.0f;
  const std::int64_t scale = m.scale - (m.point ? 0 : decimals) + exponent;
  const std::int64_t magnitude = m.count + scale;  // value lies in [10^(magnitude-1), 10^magnitude)
  float result;
  if (magnitude > 40) {
    tooLarge = true;
    result = HUGE_VALF;
  } else if (magnitude < -60) {
    result = 0.0f;
  } else {
    std::array<char, kMaxSignificantDigits + 24> text;
    char* end = std::copy(m.digits.begin(), m.digits.begin() + m.count, text.begin());
    *end++ = 'e';
    end = std::to_chars(end, text.data() + text.size(), scale).ptr;
    double wide = 0.0;
    const auto parsed = std::from_chars(text.data(), end, wide);
    if (parsed.ec == std::errc::result_out_of_range) wide = magnitude > 0 ? HUGE_VAL : 0.0;
    result = static_cast<float>(wide);
    if (std::isinf(result)) tooLarge = true;
  }
  return negative ? -result : result;
}

RealField readWord(std::string_view rest, bool negative, bool signGiven) {
  const float infinity = negative ? -HUGE_VALF : HUGE_VALF;
  std::size_t length = 0;
  float value = 0.0f;
  if (startsWithWord(rest, "nan")) {
    if (signGiven) return {0.0f, kInputConversionError};
    length = 3;
    value = std::nanf("");
  } else if (startsWithWord(rest, "infinity")) {
    length = 8;
    value = infinity;
  } else if (startsWithWord(rest, "inf")) {
    length = 3;
    value = infinity;
  } else {
    return {0.0f, kInputConversionError};
  }
  // Only leading blanks may accompany the word.
  return {value, length == rest.size() ? 0 : kInputConversionError};
}

// The exponent after the mantissa, from field[i] on: a letter (E, D or Q) with an optional
// sign, or a sign alone after mantissa text. `exponent` holds what was read so far also when
// a character does not belong; answers 0, or kInputConversionError.
int readExponent(std::string_view field, std::size_t i, bool mantissaText, std::int64_t& exponent) {
  const std::size_t n = field.size();
  const char marker = lowerAscii(field[i]);
  const bool letterForm = marker == 'e' || marker == 'd' || marker == 'q';
  const bool signForm = (marker == '+' || marker == '-') && mantissaText;
  if (!letterForm && !signForm) return kInputConversionError;
  bool exponentNegative = marker == '-';
  ++i;
  if (letterForm) {
    while (i < n && field[i] == ' ') ++i;
    if (i < n && (field[i] == '+' || field[i] == '-')) {
      exponentNegative = field[i] == '-';
      ++i;
    }
  }
  std::int64_t exponentMagnitude = 0;
  int significantDigits = 0;
  bool exponentDigit = false;
  // Far beyond any float; larger negative exponents all give zero.
  constexpr std::int64_t kExponentCap = 100000000;
  for (; i < n; ++i) {
    const char c = field[i];
    if (c == ' ') continue;
    if (!isDigit(c)) return kInputConversionError;
    exponentDigit = true;
    if (exponentMagnitude == 0 && c == '0') continue;
    if (++significantDigits > 4 && !exponentNegative) return kInputConversionError;
    if (exponentMagnitude < kExponentCap) exponentMagnitude = exponentMagnitude * 10 + (c - '0');
    exponent = exponentNegative ? -exponentMagnitude : exponentMagnitude;
  }
  if (signForm && !exponentDigit) return kInputConversionError;
  return 0;
}

}  // namespace

FieldFit formatFixed(float value, int width, int decimals, std::string& out) {
  char columns[fast::kFastWidth];
  if (const std::optional<FieldFit> fit = fast::formatFixed(value, width, decimals, columns)) {
    out.append(columns, static_cast<std::size_t>(width));
    return *fit;
  }
  return formatFixedGeneral(value, width, decimals, out);
}

FieldFit formatFixedGeneral(float value, int width, int decimals, std::string& out) {
  if (std::isnan(value) || std::isinf(value)) return formatNotANumber(value, width, out);
  decimals = std::max(decimals, 0);

  detail::RoundedDigits digits;
  const detail::BinaryValue binary = detail::decompose(value);
  if (binary.mantissa != 0) {
    const int exactDecimals = std::min(decimals, detail::kExactDecimals);
    if (!detail::roundExactSmall(binary, exactDecimals, digits) &&
        !detail::roundExactNarrow(binary, exactDecimals, digits)) {
      detail::roundExactWide(binary, exactDecimals, digits);
    }
    if (digits.count() != 0) digits.trailingZeros = decimals - exactDecimals;
  }

  // Every decision below uses the rounded digits.
  const long long totalDigits = digits.count() + digits.trailingZeros;
  const bool roundsToZero = digits.count() == 0;
  const bool negative = std::signbit(value) && !roundsToZero;
  const long long integerDigits = std::max<long long>(totalDigits - decimals, 0);
  const long long needed = (negative ? 1 : 0) + integerDigits + 1 + decimals;
  if (needed > width) {
    appendAsterisks(width, out);
    return FieldFit::Asterisks;
  }
  const bool leadingZero = integerDigits == 0 && needed + 1 <= width;
  // The field is filled in place: one resize, no per-character growth checks.
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(width), ' ');
  char* column = out.data() + start + (width - needed - (leadingZero ? 1 : 0));
  if (negative) *column++ = '-';
  if (leadingZero) *column++ = '0';

  // Digit at position p of the full digit string (the buffer, then trailing zeros);
  // positions before the first digit are zeros.
  const auto digitAt = [&](long long position) -> char {
    if (position < 0 || position >= digits.count()) return '0';
    return digits.buffer[static_cast<std::size_t>(digits.begin + position)];
  };
  for (long long p = 0; p < integerDigits; ++p) *column++ = digitAt(p);
  *column++ = '.';
  for (long long p = totalDigits - decimals; p < totalDigits; ++p) *column++ = digitAt(p);
  return FieldFit::Fits;
}

RealField parseRealField(std::string_view field, int decimals) {
  RealField result;
  if (fast::parseReal(field, decimals, result)) return result;
  return parseRealFieldGeneral(field, decimals);
}

RealField parseRealFieldGeneral(std::string_view field, int decimals) {
  decimals = std::max(decimals, 0);
  std::size_t i = 0;
  const std::size_t n = field.size();
  while (i < n && (field[i] == ' ' || (field[i] >= 9 && field[i] <= 13))) ++i;
  bool negative = false;
  bool signGiven = false;
  if (i < n && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    signGiven = true;
    ++i;
  }
  if (i < n) {
    const char first = lowerAscii(field[i]);
    if (first == 'i' || first == 'n') return readWord(field.substr(i), negative, signGiven);
  }

  DecimalMantissa mantissa;
  std::int64_t exponent = 0;
  // The value of everything read so far, with the given status.
  const auto finish = [&](int status) -> RealField {
    bool tooLarge = false;
    const float value = composeReal(mantissa, negative, decimals, exponent, tooLarge);
    return {value, tooLarge ? kInputConversionError : status};
  };

  bool mantissaText = false;  // a digit or a point was read
  for (; i < n; ++i) {
    const char c = field[i];
    if (c == ' ') continue;
    if (isDigit(c)) {
      mantissa.addDigit(c);
    } else if (c == '.') {
      if (mantissa.point) return finish(kInputConversionError);
      mantissa.point = true;
    } else {
      break;
    }
    mantissaText = true;
  }
  if (i == n) return finish(0);
  return finish(readExponent(field, i, mantissaText, exponent));
}

}  // namespace textio::fields
