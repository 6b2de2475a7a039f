// Conversions of single I, A and F fields. Output of F rounds the float's exact binary value
// with integer arithmetic (never printf), so the digits do not depend on any C library.
#include "textio/fixed_fields.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <system_error>

#include "textio/fixed_fast.h"

namespace textio {

namespace {

// ---------------------------------------------------------------------------------------
// Output helpers
// ---------------------------------------------------------------------------------------

void appendAsterisks(int width, std::string& out) {
  if (width > 0) out.append(static_cast<std::size_t>(width), '*');
}

void appendBlanks(long long count, std::string& out) {
  if (count > 0) out.append(static_cast<std::size_t>(count), ' ');
}

// A float is exactly mantissa * 2^exponent.
struct BinaryValue {
  std::uint32_t mantissa;
  int exponent;
};

BinaryValue decompose(float x) {
  const auto bits = std::bit_cast<std::uint32_t>(x);
  const std::uint32_t biased = (bits >> 23) & 0xFFu;
  const std::uint32_t fraction = bits & 0x7FFFFFu;
  if (biased == 0) return {fraction, -149};  // zero or subnormal
  return {fraction | 0x800000u, static_cast<int>(biased) - 150};
}

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

__extension__ typedef unsigned __int128 Unsigned128;

constexpr std::array<std::uint64_t, 14> kPowersOfFive = {
    1,     5,      25,      125,     625,      3125,      15625,
    78125, 390625, 1953125, 9765625, 48828125, 244140625, 1220703125};

// The fields of the tool (few decimals, moderate magnitude) fit in 64 bits.
bool roundExactSmall(const BinaryValue& v, int decimals, RoundedDigits& digits) {
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

// ---------------------------------------------------------------------------------------
// Input helpers
// ---------------------------------------------------------------------------------------

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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

}  // namespace

// ---------------------------------------------------------------------------------------
// Output
// ---------------------------------------------------------------------------------------

FieldFit formatInteger(std::int32_t value, int width, std::string& out, int minimumDigits) {
  char columns[fast::kFastWidth];
  if (const std::optional<FieldFit> fit =
          fast::formatInteger(value, width, minimumDigits, columns)) {
    out.append(columns, static_cast<std::size_t>(width));
    return *fit;
  }
  return formatIntegerGeneral(value, width, out, minimumDigits);
}

FieldFit formatIntegerGeneral(std::int32_t value, int width, std::string& out, int minimumDigits) {
  std::array<char, 10> digits;
  int count = 0;
  std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  do {
    digits[static_cast<std::size_t>(count++)] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const long long digitColumns = std::max<long long>(count, minimumDigits);
  const long long needed = digitColumns + (value < 0 ? 1 : 0);
  if (needed > width) {
    appendAsterisks(width, out);
    return FieldFit::Asterisks;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(width), ' ');
  char* column = out.data() + start + (width - needed);
  if (value < 0) *column++ = '-';
  for (long long i = count; i < digitColumns; ++i) *column++ = '0';
  for (int i = count - 1; i >= 0; --i) *column++ = digits[static_cast<std::size_t>(i)];
  return FieldFit::Fits;
}

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

  RoundedDigits digits;
  const BinaryValue binary = decompose(value);
  if (binary.mantissa != 0) {
    const int exactDecimals = std::min(decimals, kExactDecimals);
    if (!roundExactSmall(binary, exactDecimals, digits) &&
        !roundExactNarrow(binary, exactDecimals, digits)) {
      roundExactWide(binary, exactDecimals, digits);
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

void formatText(std::string_view text, int width, std::string& out) {
  if (width <= 0) return;
  const auto columns = static_cast<std::size_t>(width);
  if (columns > text.size()) {
    out.append(columns - text.size(), ' ');
    out.append(text);
  } else {
    out.append(text.substr(0, columns));
  }
}

// ---------------------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------------------

IntegerField parseIntegerField(std::string_view field) {
  IntegerField result;
  if (fast::parseInteger(field, result)) return result;
  return parseIntegerFieldGeneral(field);
}

IntegerField parseIntegerFieldGeneral(std::string_view field) {
  constexpr IntegerField kFailed{0, kInputConversionError};
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  // 2^31 is the largest magnitude of a 32-bit value (negative only).
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (c == ' ') continue;
    if (!isDigit(c)) return kFailed;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kLimit) return kFailed;
  }
  if (!negative && magnitude == kLimit) return kFailed;
  return {static_cast<std::int32_t>(negative ? -magnitude : magnitude), 0};
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

  const char marker = lowerAscii(field[i]);
  const bool letterForm = marker == 'e' || marker == 'd' || marker == 'q';
  const bool signForm = (marker == '+' || marker == '-') && mantissaText;
  if (!letterForm && !signForm) return finish(kInputConversionError);
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
    if (!isDigit(c)) return finish(kInputConversionError);
    exponentDigit = true;
    if (exponentMagnitude == 0 && c == '0') continue;
    if (++significantDigits > 4 && !exponentNegative) return finish(kInputConversionError);
    if (exponentMagnitude < kExponentCap) exponentMagnitude = exponentMagnitude * 10 + (c - '0');
    exponent = exponentNegative ? -exponentMagnitude : exponentMagnitude;
  }
  if (signForm && !exponentDigit) return finish(kInputConversionError);
  return finish(0);
}

void takeTextField(std::string_view field, int width, std::span<char> target) {
  const std::size_t columns = width > 0 ? static_cast<std::size_t>(width) : 0;
  field = field.substr(0, std::min(field.size(), columns));
  const auto columnAt = [&](std::size_t column) {
    return column < field.size() ? field[column] : ' ';
  };
  if (columns >= target.size()) {
    const std::size_t first = columns - target.size();
    for (std::size_t j = 0; j < target.size(); ++j) target[j] = columnAt(first + j);
  } else {
    for (std::size_t j = 0; j < target.size(); ++j) target[j] = j < columns ? columnAt(j) : ' ';
  }
}

}  // namespace textio
