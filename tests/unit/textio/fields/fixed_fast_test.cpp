// The fast paths of the I and F conversions against the general routines, on dense sweeps
// of every F8.3, F8.4, I5 and I6 text of the tool's ranges, on random fields of every shape
// the fast paths take and of the shapes they must leave to the general routines, and on whole
// atom lines read through units. A fast path may only ever give the general result.
#include "textio/fields/fixed_fast.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "child_process.h"
#include "textio/fields/fixed_fast_output.h"
#include "textio/fields/fixed_fields.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/units/unit.h"

namespace {

using textio::fields::FieldFit;
using textio::fields::IntegerField;
using textio::fields::RealField;

// Every value of a dense sweep in an optimised build; under the sanitizers, which are tens of
// times slower, every k-th. GRO_FAST_SWEEP_STRIDE overrides both.
std::int64_t sweepStride() {
  if (const char* given = std::getenv("GRO_FAST_SWEEP_STRIDE")) {
    const long long stride = std::atoll(given);
    if (stride > 0) return stride;
  }
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
  return 97;
#else
  return 1;
#endif
}

std::uint32_t bitsOf(float x) { return std::bit_cast<std::uint32_t>(x); }

// ---------------------------------------------------------------------------------------
// Texts written by hand from the field rules
// ---------------------------------------------------------------------------------------

enum class Shape {
  Standard,           // "  -1.234": sign, integer digits (a 0 when none), point, d digits
  NoLeadingZero,      // "   -.234" when the integer part is 0
  LeftJustified,      // "-1.234  ": trailing blanks instead of leading ones
  NoPoint,            // "   -1234": the implied point, d digits from the right
  PlusSign,           // "  +1.234" for values that are not negative
  ControlCharsFirst,  // "\t\t-1.234": tabs and other controls 9-13 before the number
};

std::string pow10Text(std::int64_t fraction, int decimals) {
  std::string digits = std::to_string(fraction);
  return std::string(static_cast<std::size_t>(decimals) - digits.size(), '0') + digits;
}

// The text of n / 10^decimals in `width` columns in the given shape; empty when it does not
// fit the width.
std::string fieldText(std::int64_t n, int width, int decimals, Shape shape) {
  std::int64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const bool negative = n < 0;
  const std::int64_t magnitude = negative ? -n : n;
  const std::int64_t integer = magnitude / scale;
  const std::int64_t fraction = magnitude % scale;
  std::string sign = negative ? "-" : "";
  if (shape == Shape::PlusSign && !negative) sign = "+";
  std::string body;
  if (shape == Shape::NoPoint) {
    body = std::to_string(magnitude);
  } else {
    const std::string integerText =
        (shape == Shape::NoLeadingZero && integer == 0) ? "" : std::to_string(integer);
    body = integerText + "." + pow10Text(fraction, decimals);
  }
  std::string text = sign + body;
  if (text.size() > static_cast<std::size_t>(width)) return {};
  const std::string padding(static_cast<std::size_t>(width) - text.size(), ' ');
  if (shape == Shape::LeftJustified) return text + padding;
  if (shape == Shape::ControlCharsFirst) {
    std::string controls;
    for (std::size_t i = 0; i < padding.size(); ++i) controls += static_cast<char>(9 + i % 5);
    return controls + text;
  }
  return padding + text;
}

// ---------------------------------------------------------------------------------------
// Comparison with the general routines
// ---------------------------------------------------------------------------------------

// The fast path either declines or gives the general result, bit for bit; the public routine
// always gives the general result. Returns whether the fast path took the field.
bool realAgrees(const std::string& text, int decimals, std::string& why) {
  const RealField general = textio::fields::parseRealFieldGeneral(text, decimals);
  const RealField published = textio::fields::parseRealField(text, decimals);
  RealField fast;
  const bool taken = textio::fields::fast::parseReal(text, decimals, fast);
  if (taken && (bitsOf(fast.value) != bitsOf(general.value) || fast.status != general.status)) {
    why = "fast " + std::to_string(fast.value) + " status " + std::to_string(fast.status);
  } else if (bitsOf(published.value) != bitsOf(general.value) ||
             published.status != general.status) {
    why = "parseRealField " + std::to_string(published.value);
  } else {
    why.clear();
    return taken;
  }
  why += " vs general " + std::to_string(general.value) + " status " +
         std::to_string(general.status) + " for \"" + text + "\" d=" + std::to_string(decimals);
  return taken;
}

bool integerAgrees(const std::string& text, std::string& why) {
  const IntegerField general = textio::fields::parseIntegerFieldGeneral(text);
  const IntegerField published = textio::fields::parseIntegerField(text);
  IntegerField fast;
  const bool taken = textio::fields::fast::parseInteger(text, fast);
  if ((taken && (fast.value != general.value || fast.status != general.status)) ||
      published.value != general.value || published.status != general.status) {
    why = "\"" + text + "\": fast " + (taken ? std::to_string(fast.value) : "declined") +
          ", parseIntegerField " + std::to_string(published.value) + ", general " +
          std::to_string(general.value) + " status " + std::to_string(general.status);
  } else {
    why.clear();
  }
  return taken;
}

// Output: the fast formatter declines or writes what the general one writes.
bool formatAgrees(float x, int width, int decimals, std::string& why) {
  std::string general;
  const FieldFit generalFit = textio::fields::formatFixedGeneral(x, width, decimals, general);
  std::string published;
  const FieldFit publishedFit = textio::fields::formatFixed(x, width, decimals, published);
  char columns[textio::fields::fast::kFastWidth];
  const std::optional<FieldFit> fast =
      textio::fields::fast::formatFixed(x, width, decimals, columns);
  const std::string fastText =
      fast ? std::string(columns, static_cast<std::size_t>(width)) : std::string();
  // The atom line's own F8.3 and F8.4 write the same, declining only where formatFixed does.
  std::string lineText;
  if (width == 8 && (decimals == 3 || decimals == 4)) {
    char line[8];
    const bool taken = decimals == 3 ? textio::fields::fast::formatReal8<3>(x, line)
                                     : textio::fields::fast::formatReal8<4>(x, line);
    if (taken != fast.has_value())
      lineText = taken ? "taken" : "declined";
    else if (taken)
      lineText = std::string(line, 8);
#if defined(__SSE2__)
    // The six fields of an atom line at once: x in a lane of its decimals chosen by its bits,
    // the other lanes values of both signs, every lane as formatReal8 writes it, and nothing
    // but values near the field's limits, NaN and infinity left to the fields one by one.
    if (taken) {
      float six[6] = {0.5f, -1.25f, 12.5f, -0.0625f, 3.0f, -7.75f};
      const int lane =
          (decimals == 3 ? 0 : 3) + static_cast<int>(std::bit_cast<std::uint32_t>(x) % 3);
      six[lane] = x;
      char columns[48];
      if (textio::fields::fast::formatSixReals8(six, columns)) {
        char one[48];
        for (int k = 0; k < 6; ++k) {
          if (k < 3) textio::fields::fast::formatReal8<3>(six[k], one + 8 * k);
          if (k >= 3) textio::fields::fast::formatReal8<4>(six[k], one + 8 * k);
        }
        if (std::memcmp(one, columns, 48) != 0)
          lineText = "six: \"" + std::string(columns, 48) + "\"";
      } else if (line[0] == ' ' && line[1] == ' ') {  // six digits at most, sign included
        lineText = "six fields declined";
      }
    }
#endif
  }
  if ((fast && (fastText != general || *fast != generalFit)) || published != general ||
      publishedFit != generalFit || (!lineText.empty() && lineText != general)) {
    char hex[32];
    std::snprintf(hex, sizeof hex, "%a", static_cast<double>(x));
    why = std::string(hex) + " F" + std::to_string(width) + "." + std::to_string(decimals) +
          ": fast \"" + fastText + "\" formatFixed \"" + published + "\" general \"" + general +
          "\" atom line \"" + lineText + "\"";
  } else {
    why.clear();
  }
  return fast.has_value();
}

// ---------------------------------------------------------------------------------------
// Dense sweeps of the atom line's fields
// ---------------------------------------------------------------------------------------

// The standard text of n / 10^decimals, right-justified in `width` columns, written from the
// right into `text` (a quick form of fieldText for the dense sweeps).
void standardText(std::int64_t n, int width, int decimals, std::string& text) {
  text.assign(static_cast<std::size_t>(width), ' ');
  std::int64_t rest = n < 0 ? -n : n;
  int column = width;
  for (int i = 0; i < decimals; ++i, rest /= 10)
    text[--column] = static_cast<char>('0' + rest % 10);
  text[--column] = '.';
  do {
    text[--column] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (n < 0) text[--column] = '-';
}

// Every n / 10^d of the field's range in the standard shape: the fast path takes it and
// agrees with the general routine bit for bit, and writing the value back through the field
// gives the same text (the floats of these ranges lie closer together than half a unit of
// the last digit). On every 13th value also the public routines, the general formatter and
// the other shapes.
void sweepField(int width, int decimals, std::int64_t smallest, std::int64_t largest) {
  const std::int64_t stride = sweepStride();
  int failures = 0;
  std::string why;
  std::string text;
  char columns[textio::fields::fast::kFastWidth];
  for (std::int64_t n = smallest; n <= largest && failures < 20; n += stride) {
    standardText(n, width, decimals, text);
    const RealField general = textio::fields::parseRealFieldGeneral(text, decimals);
    RealField fast;
    // Eight columns go the word-at-a-time way, which must take every standard text.
    const bool taken =
        width == 8 ? textio::fields::fast::parseRealEightColumns(text.data(), decimals, fast)
                   : textio::fields::fast::parseReal(text, decimals, fast);
    if (!taken) {
      ++failures;
      ADD_FAILURE() << "declined \"" << text << "\"";
      continue;
    }
    if (bitsOf(fast.value) != bitsOf(general.value) || fast.status != general.status) {
      ++failures;
      ADD_FAILURE() << "\"" << text << "\": fast " << fast.value << ", general " << general.value;
    }
    const auto fit = textio::fields::fast::formatFixed(fast.value, width, decimals, columns);
    if (!fit || std::string_view(columns, static_cast<std::size_t>(width)) != text) {
      ++failures;
      ADD_FAILURE() << "\"" << text << "\" read and written gives \""
                    << (fit ? std::string(columns, static_cast<std::size_t>(width)) : "declined")
                    << "\"";
    }
    if (n % 13 != 0) continue;
    ASSERT_EQ(text, fieldText(n, width, decimals, Shape::Standard));
    realAgrees(text, decimals, why);
    if (why.empty()) formatAgrees(fast.value, width, decimals, why);
    if (!why.empty()) {
      ++failures;
      ADD_FAILURE() << why;
    }
    for (const Shape shape : {Shape::NoLeadingZero, Shape::LeftJustified, Shape::NoPoint,
                              Shape::PlusSign, Shape::ControlCharsFirst}) {
      const std::string variant = fieldText(n, width, decimals, shape);
      if (variant.empty()) continue;
      const bool took = realAgrees(variant, decimals, why);
      if (!why.empty() || !took) {
        ++failures;
        ADD_FAILURE() << (took ? why : "declined \"" + variant + "\"");
      }
    }
  }
}

// -999.999 .. 9999.999 and -99.9999 .. 999.9999: every value the eight columns can hold.
TEST(FastRealInput, EveryF8_3TextOfThePositionRange) { sweepField(8, 3, -999999, 9999999); }

TEST(FastRealInput, EveryF8_4TextOfTheVelocityRange) { sweepField(8, 4, -999999, 9999999); }

TEST(FastIntegerInput, EveryI5AndI6Text) {
  const std::int64_t stride = sweepStride() > 1 ? 7 : 1;
  int failures = 0;
  std::string why;
  for (const int width : {5, 6}) {
    const std::int64_t largest = width == 5 ? 99999 : 999999;
    const std::int64_t smallest = width == 5 ? -9999 : -99999;
    for (std::int64_t n = smallest; n <= largest && failures < 20; n += stride) {
      const std::string digits = std::to_string(n);
      const std::string padding(static_cast<std::size_t>(width) - digits.size(), ' ');
      for (const std::string& text : {padding + digits, digits + padding}) {
        const bool taken = integerAgrees(text, why);
        if (!why.empty() || !taken) {
          ++failures;
          ADD_FAILURE() << (taken ? why : "declined \"" + text + "\"");
        }
        if (textio::fields::parseIntegerField(text).value != n) {
          ++failures;
          ADD_FAILURE() << "\"" << text << "\" does not read " << n;
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------------------
// Hand-picked shapes: taken with their values, or left to the general routine
// ---------------------------------------------------------------------------------------

TEST(FastRealInput, TakesThePlainShapesWithTheirValues) {
  struct Case {
    const char* text;
    int decimals;
    float expected;
  };
  const Case cases[] = {
      {"   1.234", 3, 1.234f},
      {"  -1.234", 3, -1.234f},
      {"    1234", 3, 1.234f},
      {"   12340", 4, 1.234f},
      {"   1.234", 4, 1.234f},
      {"    -.5 ", 3, -0.5f},
      {"     .5", 3, 0.5f},
      {"5.      ", 3, 5.0f},
      {"  +7.25 ", 2, 7.25f},
      {"        ", 3, 0.0f},
      {"", 3, 0.0f},
      {"       -", 3, 0.0f},
      {"       .", 3, 0.0f},
      {"      -.", 3, 0.0f},
      {"      +.", 3, 0.0f},
      {"\t\v-2.5", 1, -2.5f},
      {"\r\n\f 3", 1, 0.3f},
      {"00000001", 3, 0.001f},
      {"123456789012345", 0, 123456789012345.0f},
      {"1", 22, 1e-22f},
      {"0.1", 9, 0.1f},
  };
  std::string why;
  for (const Case& c : cases) {
    RealField fast;
    ASSERT_TRUE(textio::fields::fast::parseReal(c.text, c.decimals, fast)) << '"' << c.text << '"';
    EXPECT_EQ(bitsOf(fast.value), bitsOf(c.expected)) << '"' << c.text << "\" " << fast.value;
    EXPECT_EQ(fast.status, 0);
    realAgrees(c.text, c.decimals, why);
    EXPECT_EQ(why, "");
  }
  // A minus before zeros only is -0.0, a lone sign or point is +0.0.
  for (const char* text : {"  -0.000", "      -0", "     -.0", "-0."}) {
    RealField fast;
    ASSERT_TRUE(textio::fields::fast::parseReal(text, 3, fast)) << text;
    EXPECT_TRUE(fast.value == 0.0f && std::signbit(fast.value)) << text;
  }
  for (const char* text : {"       -", "      -.", "  +     "}) {
    RealField fast;
    ASSERT_TRUE(textio::fields::fast::parseReal(text, 3, fast)) << text;
    EXPECT_TRUE(fast.value == 0.0f && !std::signbit(fast.value)) << text;
  }
}

TEST(FastRealInput, LeavesEveryOtherShapeToTheGeneralRoutine) {
  const char* const texts[] = {
      "-1.5e+02",
      "1.5E2",
      " 1.5d2",
      "1.5D-1",
      "2q1",
      "2Q1",
      "1.5-3",
      "1.5+3",
      "1e",
      "  NaN",
      "nan",
      "-Inf",
      "Infinity",
      "inf     ",
      "1 2",
      "1. 5",
      " - 1",
      "-  .5",
      "1.2.3",
      "..",
      "1\t",
      "1\t2",
      "1,5",
      ",",
      "--1",
      "+-1",
      "1-",
      "x",
      "0x10",
      "1.0f",
      "1234567890123456",
      "0.000000000000001",
      "9999999999999999999999",
      "1\x80",
      "\x80",
      "1\n",
      "1 \r",
      "\v1 1",
  };
  std::string why;
  for (const char* text : texts) {
    const std::string field(text);
    for (const int decimals : {0, 3, 4}) {
      RealField fast;
      EXPECT_FALSE(textio::fields::fast::parseReal(field, decimals, fast)) << '"' << field << '"';
      realAgrees(field, decimals, why);
      EXPECT_EQ(why, "");
    }
  }
  // Decimal counts whose power of ten double does not hold exactly.
  RealField fast;
  EXPECT_FALSE(textio::fields::fast::parseReal("    1234", 23, fast));
  EXPECT_FALSE(textio::fields::fast::parseReal("    1234", -1, fast));
  EXPECT_TRUE(textio::fields::fast::parseReal("   1.234", 23, fast));  // the point decides
}

TEST(FastIntegerInput, TakesThePlainShapesAndLeavesTheRest) {
  struct Case {
    const char* text;
    bool taken;
    std::int32_t expected;  // what the general rule gives
    int status;
  };
  const Case cases[] = {
      {"    5", true, 5, 0},
      {"   -5", true, -5, 0},
      {"+0007", true, 7, 0},
      {"12   ", true, 12, 0},
      {"     ", true, 0, 0},
      {"", true, 0, 0},
      {"    -", true, 0, 0},
      {"    +", true, 0, 0},
      {"999999999", true, 999999999, 0},
      {"  1 2", false, 12, 0},
      {" -  7", false, -7, 0},
      {"1234567890", false, 1234567890, 0},
      {"2147483647", false, 2147483647, 0},
      {"-2147483648", false, -2147483647 - 1, 0},
      {"2147483648", false, 0, textio::fields::kInputConversionError},
      {"   ab", false, 0, textio::fields::kInputConversionError},
      {"\t  12", false, 0, textio::fields::kInputConversionError},
      {"  1.0", false, 0, textio::fields::kInputConversionError},
      {"  --1", false, 0, textio::fields::kInputConversionError},
      {"  1-", false, 0, textio::fields::kInputConversionError},
      {"1,2", false, 0, textio::fields::kInputConversionError},
  };
  std::string why;
  for (const Case& c : cases) {
    IntegerField fast;
    EXPECT_EQ(textio::fields::fast::parseInteger(c.text, fast), c.taken) << '"' << c.text << '"';
    const IntegerField published = textio::fields::parseIntegerField(c.text);
    EXPECT_EQ(published.value, c.expected) << '"' << c.text << '"';
    EXPECT_EQ(published.status, c.status) << '"' << c.text << '"';
    integerAgrees(c.text, why);
    EXPECT_EQ(why, "");
  }
}

// ---------------------------------------------------------------------------------------
// Random fields
// ---------------------------------------------------------------------------------------

class FieldGenerator {
 public:
  explicit FieldGenerator(std::uint32_t seed) : random_(seed) {}

  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  char digit() { return static_cast<char>('0' + pick(0, 9)); }

  // A field of the shape the fast F path takes.
  std::string plainReal() {
    std::string text;
    const int leading = pick(0, 5);
    for (int i = 0; i < leading; ++i)
      text += pick(0, 4) == 0 ? static_cast<char>(pick(9, 13)) : ' ';
    const int sign = pick(0, 2);
    if (sign == 1) text += '-';
    if (sign == 2) text += '+';
    const int integerDigits = pick(0, 9);
    for (int i = 0; i < integerDigits; ++i) text += digit();
    if (pick(0, 3) != 0) {
      text += '.';
      const int fractionDigits = pick(0, 15 - integerDigits);
      for (int i = 0; i < fractionDigits; ++i) text += digit();
    }
    text.append(static_cast<std::size_t>(pick(0, 4)), ' ');
    return text;
  }

  std::string plainInteger() {
    std::string text(static_cast<std::size_t>(pick(0, 4)), ' ');
    const int sign = pick(0, 2);
    if (sign == 1) text += '-';
    if (sign == 2) text += '+';
    const int digits = pick(0, 9);
    for (int i = 0; i < digits; ++i) text += digit();
    text.append(static_cast<std::size_t>(pick(0, 4)), ' ');
    return text;
  }

  // A plain field with something the fast paths do not take put in somewhere: an exponent,
  // a comma, a word, a blank or tab between digits, a second point or sign, a letter, a
  // byte above 127, or more digits.
  std::string spoiled(std::string text) {
    static const char* const inserts[] = {
        "e",  "E3", "d-2", "D+1", "q",        "Q04",  "-3",
        "+1", ",",  "NaN", "Inf", "infinity", " ",    "\t",
        ".",  "-",  "+",   "x",   "\x80",     "\x01", "0000000000000000"};
    const std::string insert = inserts[pick(0, static_cast<int>(std::size(inserts)) - 1)];
    const auto at = static_cast<std::size_t>(pick(0, static_cast<int>(text.size())));
    text.insert(at, insert);
    return text;
  }

 private:
  std::mt19937 random_;
};

// Decimal texts that lie exactly halfway between two neighbouring floats (and one unit of the
// last digit beside them), where only an exactly rounded double gives the tie to the even
// float: a quotient or product that is off by one unit of the double would tip it.
TEST(FastRealInput, ExactFloatMidpointsTieToTheEvenNeighbour) {
  FieldGenerator generate(20250105u);
  int failures = 0;
  int tested = 0;
  std::string why;
  for (int i = 0; i < 200000 && failures < 20; ++i) {
    // A float of binade 2^e (e in 10..23) and the midpoint above it, (2m + 1) * 2^(e - 24).
    const int e = generate.pick(10, 23);
    const auto mantissa = static_cast<std::uint32_t>(generate.pick(0, (1 << 23) - 1)) | (1u << 23);
    const float low = std::ldexp(static_cast<float>(mantissa), e - 23);
    const float high = std::nextafter(low, HUGE_VALF);
    // Its decimal digits: (2m + 1) * 5^(24 - e) / 10^(24 - e), exact in 64 bits.
    std::uint64_t digits = 2 * std::uint64_t{mantissa} + 1;
    const int fractionDigits = 24 - e;
    for (int k = 0; k < fractionDigits; ++k) digits *= 5;
    const std::string all = std::to_string(digits);
    if (all.size() > 15) continue;
    ++tested;
    const float even = (bitsOf(low) & 1u) == 0 ? low : high;
    for (const int offset : {0, -1, 1}) {
      const std::string shifted = std::to_string(digits + static_cast<std::uint64_t>(offset));
      if (shifted.size() != all.size()) continue;
      const std::string text =
          shifted.substr(0, shifted.size() - static_cast<std::size_t>(fractionDigits)) + "." +
          shifted.substr(shifted.size() - static_cast<std::size_t>(fractionDigits));
      const float expected = offset == 0 ? even : (offset < 0 ? low : high);
      RealField fast;
      const bool taken = textio::fields::fast::parseReal(text, 0, fast);
      realAgrees(text, 0, why);
      if (!taken || bitsOf(fast.value) != bitsOf(expected) || !why.empty()) {
        ++failures;
        ADD_FAILURE() << text << ": " << (taken ? std::to_string(fast.value) : "declined")
                      << " expected " << expected << " " << why;
      }
    }
  }
  EXPECT_GT(tested, 10000);
}

TEST(FastRealInput, TheFloatDivisionEqualsTheDoubleRouteForEveryShortDecimal) {
  // Every n <= 2^24 over every 10^k with k <= 8: one float division against the decimal
  // rounded to double (n and 10^k exact, so one correctly rounded division) and then to
  // float. Exhaustive in an optimised build.
  const std::uint64_t stride = sweepStride() > 1 ? 101 : 1;
  for (int k = 0; k <= 8; ++k) {
    const double power = std::pow(10.0, k);  // exact: 10^8 < 2^53
    int failures = 0;
    for (std::uint64_t n = 0; n <= (std::uint64_t{1} << 24) && failures < 10; n += stride) {
      const float viaDouble = static_cast<float>(static_cast<double>(n) / power);
      const float fast = textio::fields::fast::decimalToFloat(n, k);
      if (bitsOf(fast) != bitsOf(viaDouble) && ++failures <= 10) {
        ADD_FAILURE() << n << " / 10^" << k << ": " << fast << " vs " << viaDouble;
      }
    }
  }
}

TEST(FastRealInput, RandomPlainFieldsAreTakenAndAgree) {
  FieldGenerator generate(20250101u);
  const int rounds = sweepStride() > 1 ? 20000 : 400000;
  int failures = 0;
  std::string why;
  for (int i = 0; i < rounds && failures < 20; ++i) {
    const std::string text = generate.plainReal();
    const int decimals = generate.pick(0, 12);
    const bool taken = realAgrees(text, decimals, why);
    if (!why.empty() || !taken) {
      ++failures;
      ADD_FAILURE() << (taken ? why : "declined \"" + text + "\"");
    }
  }
}

TEST(FastRealInput, RandomSpoiledFieldsAgreeWithTheGeneralRoutine) {
  FieldGenerator generate(20250102u);
  const int rounds = sweepStride() > 1 ? 20000 : 400000;
  int failures = 0;
  int declined = 0;
  std::string why;
  for (int i = 0; i < rounds && failures < 20; ++i) {
    const std::string text = generate.spoiled(generate.plainReal());
    const int decimals = generate.pick(0, 12);
    if (!realAgrees(text, decimals, why)) ++declined;
    if (!why.empty()) {
      ++failures;
      ADD_FAILURE() << why;
    }
  }
  // Most insertions spoil the shape (a blank or sign at an edge may not).
  EXPECT_GT(declined, rounds / 2);
}

TEST(FastRealInput, RandomEightColumnWordsAgreeWithTheGeneralRoutine) {
  // Every column drawn from the characters that decide the shape, so that blanks, signs and
  // points land everywhere; the word-at-a-time path takes some and must then be exact.
  FieldGenerator generate(20250106u);
  static const char alphabet[] = "      ---++..0123456789012345678901234567890123456789e\t,\x80";
  const int rounds = sweepStride() > 1 ? 20000 : 1000000;
  int failures = 0;
  int taken = 0;
  std::string why;
  std::string text(8, ' ');
  for (int i = 0; i < rounds && failures < 20; ++i) {
    // A blank prefix of random length makes the plain shapes common.
    const int blanks = generate.pick(0, 8);
    for (int c = 0; c < 8; ++c) {
      text[static_cast<std::size_t>(c)] =
          c < blanks ? ' ' : alphabet[generate.pick(0, static_cast<int>(sizeof alphabet) - 2)];
    }
    const int decimals = generate.pick(0, 9);
    RealField fast;
    if (!textio::fields::fast::parseRealEightColumns(text.data(), decimals, fast)) continue;
    ++taken;
    const RealField general = textio::fields::parseRealFieldGeneral(text, decimals);
    if (bitsOf(fast.value) != bitsOf(general.value) || fast.status != general.status) {
      ++failures;
      ADD_FAILURE() << "\"" << text << "\" d=" << decimals << ": " << fast.value << " vs "
                    << general.value << " status " << general.status;
    }
  }
  EXPECT_GT(taken, rounds / 100);
  // The shapes it leaves to the column-wise path, which reads them all the same.
  for (const char* declined : {"    +1.5", "  1.5   ", "\t\t\t-1.25", "       -", "       .",
                               "  -.    ", "        ", "1.2.3   ", "  - 1.25", " 1.5e+02"}) {
    RealField fast;
    EXPECT_FALSE(textio::fields::fast::parseRealEightColumns(declined, 3, fast)) << declined;
    realAgrees(declined, 3, why);
    EXPECT_EQ(why, "");
  }
}

TEST(FastIntegerInput, RandomShortWordsAgreeWithTheGeneralRoutine) {
  // Fields of one to eight columns drawn from the characters that decide the shape; the
  // word-at-a-time path takes some (digits up to the last column) and must then be exact.
  FieldGenerator generate(20250108u);
  static const char alphabet[] = "     --++.01234567890123456789012345678901234567890\t,\x80";
  const int rounds = sweepStride() > 1 ? 20000 : 1000000;
  int failures = 0;
  int taken = 0;
  for (int i = 0; i < rounds && failures < 20; ++i) {
    const auto width = static_cast<std::size_t>(generate.pick(1, 8));
    const auto blanks = static_cast<std::size_t>(generate.pick(0, static_cast<int>(width)));
    std::string text(width, ' ');
    for (std::size_t c = blanks; c < width; ++c) {
      text[c] = alphabet[generate.pick(0, static_cast<int>(sizeof alphabet) - 2)];
    }
    IntegerField fast;
    if (!textio::fields::fast::parseIntegerWord(text.data(), width, fast)) continue;
    ++taken;
    const IntegerField general = textio::fields::parseIntegerFieldGeneral(text);
    if ((fast.value != general.value || fast.status != general.status) && ++failures <= 20) {
      ADD_FAILURE() << "\"" << text << "\": " << fast.value << " vs " << general.value << " status "
                    << general.status;
    }
  }
  EXPECT_GT(taken, rounds / 50);
  for (const char* declined : {"12   ", " 1 2 ", "\t  12", "1-", "--1", "1.0", "123456789"}) {
    IntegerField fast;
    EXPECT_FALSE(textio::fields::fast::parseIntegerWord(declined, std::strlen(declined), fast))
        << declined;
  }
  for (const auto& [text, value] :
       {std::pair{"    5", 5}, std::pair{"   -5", -5}, std::pair{"+0007", 7}, std::pair{"     ", 0},
        std::pair{"    -", 0}, std::pair{"99999999", 99999999}, std::pair{"-9999999", -9999999}}) {
    IntegerField fast;
    ASSERT_TRUE(textio::fields::fast::parseIntegerWord(text, std::strlen(text), fast)) << text;
    EXPECT_EQ(fast.value, value) << text;
  }
}

TEST(FastIntegerInput, RandomFieldsAgreeWithTheGeneralRoutine) {
  FieldGenerator generate(20250103u);
  const int rounds = sweepStride() > 1 ? 20000 : 400000;
  int failures = 0;
  std::string why;
  for (int i = 0; i < rounds && failures < 20; ++i) {
    const std::string plain = generate.plainInteger();
    const bool taken = integerAgrees(plain, why);
    if (!why.empty() || !taken) {
      ++failures;
      ADD_FAILURE() << (taken ? why : "declined \"" + plain + "\"");
    }
    integerAgrees(generate.spoiled(plain), why);
    if (!why.empty()) {
      ++failures;
      ADD_FAILURE() << why;
    }
  }
}

// ---------------------------------------------------------------------------------------
// F output
// ---------------------------------------------------------------------------------------

TEST(FastFixedOutput, AgreesWithTheGeneralFormatterOverTheFloats) {
  // The F fields of the tool's layouts and a few more, on every k-th bit pattern (both signs,
  // every magnitude, NaN and infinities included), which the fast path declines or gets right.
  struct Field {
    int width;
    int decimals;
  };
  const Field fields[] = {{8, 3}, {8, 4}, {6, 2},  {5, 2},  {5, 1}, {10, 5},
                          {1, 0}, {4, 3}, {20, 9}, {32, 0}, {12, 7}};
  const std::uint64_t step = sweepStride() > 1 ? 1000003 : 8191;
  int failures = 0;
  std::string why;
  for (const Field& f : fields) {
    std::int64_t taken = 0;
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu && failures < 20; bits += step) {
      const auto x = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
      if (formatAgrees(x, f.width, f.decimals, why)) ++taken;
      if (!why.empty()) {
        ++failures;
        ADD_FAILURE() << why;
      }
    }
    EXPECT_GT(taken, 0) << "F" << f.width << "." << f.decimals;
  }
}

TEST(FastFixedOutput, AgreesAtEveryRoundingBoundaryOfTheAtomFields) {
  // Around (k + 1/2) / 10^d, where the rounding turns, including the exact ties of F8.3.
  const std::int64_t stride = sweepStride() > 1 ? 101 : 7;
  int failures = 0;
  std::string why;
  for (const int decimals : {3, 4}) {
    const double unit = std::pow(10.0, -decimals);
    for (std::int64_t k = 0; k <= 10000000 && failures < 20; k += stride) {
      const float nearest = static_cast<float>((static_cast<double>(k) + 0.5) * unit);
      for (const float c :
           {std::nextafter(nearest, 0.0f), nearest, std::nextafter(nearest, HUGE_VALF)}) {
        for (const float x : {c, -c}) {
          if (!formatAgrees(x, 8, decimals, why) || !why.empty()) {
            ++failures;
            ADD_FAILURE() << "declined or differs: " << why;
          }
        }
      }
    }
  }
  // Hand-worked: ties go to the even digit, zero has no sign, no room for the leading 0.
  const struct {
    float value;
    int width;
    int decimals;
    const char* expected;
  } cases[] = {
      {0.0625f, 8, 3, "   0.062"},
      {0.1875f, 8, 3, "   0.188"},
      {-0.0004f, 8, 3, "   0.000"},
      {-0.5f, 5, 3, "-.500"},
      {0.5f, 4, 3, ".500"},
      {-1000.0f, 8, 3, "********"},
      {0.25f, 5, 3, "0.250"},
      {-0.25f, 6, 3, "-0.250"},
      {0.5f, 7, 5, "0.50000"},
      {-1234.5f, 9, 1, "  -1234.5"},
      {-12345.678f, 10, 3, "-12345.678"},
      {12345.67f, 9, 2, " 12345.67"},
      {100.0f, 5, 2, "*****"},
      {0.25f, 5, 1, "  0.2"},
      {-99.0f, 6, 2, "-99.00"},
  };
  for (const auto& c : cases) {
    char columns[textio::fields::fast::kFastWidth];
    const auto fit = textio::fields::fast::formatFixed(c.value, c.width, c.decimals, columns);
    ASSERT_TRUE(fit.has_value()) << c.value;
    EXPECT_EQ(std::string(columns, static_cast<std::size_t>(c.width)), c.expected) << c.value;
  }
}

TEST(FastIntegerOutput, AgreesWithTheGeneralFormatter) {
  // Every value of the five- and six-column range in the widths of the tool and around them,
  // random values of the whole 32-bit range, and the extremes.
  std::vector<std::int32_t> values;
  const std::int64_t stride = sweepStride() > 1 ? 37 : 1;
  for (std::int64_t v = -100000; v <= 1000000; v += stride) {
    values.push_back(static_cast<std::int32_t>(v));
  }
  FieldGenerator generate(20250107u);
  for (int i = 0; i < 100000; ++i) {
    values.push_back(
        static_cast<std::int32_t>(static_cast<std::uint32_t>(generate.pick(0, 65535)) << 16 |
                                  static_cast<std::uint32_t>(generate.pick(0, 65535))));
  }
  for (const std::int32_t v : {std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max(), 0, -1, 1}) {
    values.push_back(v);
  }
  int failures = 0;
  char columns[textio::fields::fast::kFastWidth];
  std::string general;
  for (const std::int32_t v : values) {
    for (const int width : {1, 5, 6, 11, 32}) {
      general.clear();
      const FieldFit generalFit = textio::fields::formatIntegerGeneral(v, width, general);
      const auto fit = textio::fields::fast::formatInteger(v, width, 1, columns);
      if ((!fit || *fit != generalFit ||
           std::string_view(columns, static_cast<std::size_t>(width)) != general) &&
          ++failures <= 20) {
        ADD_FAILURE() << v << " in I" << width << ": general \"" << general << "\"";
      }
      // The atom line's own I5.
      if (width == 5 &&
          (!textio::fields::fast::formatInteger5(v, columns) ||
           std::string_view(columns, 5) != general) &&
          ++failures <= 20) {
        ADD_FAILURE() << v << " in the atom line's I5: general \"" << general << "\"";
      }
    }
  }
  // Hand-worked, and what the fast path leaves to the general formatter.
  std::string out;
  textio::fields::formatInteger(-12345, 5, out);
  textio::fields::formatInteger(123456, 6, out);
  textio::fields::formatInteger(-2147483647 - 1, 11, out);
  EXPECT_EQ(out, "*****123456-2147483648");
  EXPECT_FALSE(textio::fields::fast::formatInteger(7, 5, 3, columns).has_value());
  EXPECT_FALSE(textio::fields::fast::formatInteger(7, 33, 1, columns).has_value());
  out.clear();
  textio::fields::formatInteger(7, 5, out, 3);
  EXPECT_EQ(out, "  007");
}

// ---------------------------------------------------------------------------------------
// Whole atom lines through a unit
// ---------------------------------------------------------------------------------------

struct AtomItems {
  std::int32_t residueNumber = -1;
  char residueName[5] = {'?', '?', '?', '?', '?'};
  char atomName[5] = {'?', '?', '?', '?', '?'};
  std::int32_t atomNumber = -1;
  float coordinates[6] = {-1, -1, -1, -1, -1, -1};
};

// The line's fields by the rules, field by field with the general routines: columns taken in
// order, a comma ending an I or F field early, missing columns counting as blanks.
int expectedAtom(const std::string& line, AtomItems& atom) {
  std::size_t column = 0;
  const auto take = [&](int width, bool numeric) {
    std::string field =
        column < line.size() ? line.substr(column, static_cast<std::size_t>(width)) : std::string();
    const std::size_t comma = numeric ? field.find(',') : std::string::npos;
    if (comma != std::string::npos) {
      column += comma + 1;
      return field.substr(0, comma);
    }
    column += static_cast<std::size_t>(width);
    field.resize(static_cast<std::size_t>(width), ' ');
    return field;
  };
  IntegerField integer = textio::fields::parseIntegerFieldGeneral(take(5, true));
  atom.residueNumber = integer.value;
  if (integer.status != 0) return integer.status;
  const std::string residue = take(5, false);
  const std::string name = take(5, false);
  std::copy(residue.begin(), residue.end(), atom.residueName);
  std::copy(name.begin(), name.end(), atom.atomName);
  integer = textio::fields::parseIntegerFieldGeneral(take(5, true));
  atom.atomNumber = integer.value;
  if (integer.status != 0) return integer.status;
  for (int i = 0; i < 6; ++i) {
    const RealField real = textio::fields::parseRealFieldGeneral(take(8, true), i < 3 ? 3 : 4);
    atom.coordinates[i] = real.value;
    if (real.status != 0) return real.status;
  }
  return 0;
}

// Atom lines as GROMACS writes them, some cut short, with commas, spoiled fields and long tails.
std::vector<std::string> generatedAtomLines() {
  FieldGenerator generate(20250104u);
  const auto fit = [](std::string text, std::size_t width) {
    if (text.size() > width) text = text.substr(text.size() - width);
    return std::string(width - text.size(), ' ') + text;
  };
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i) {
    std::string line = fit(std::to_string(generate.pick(0, 99999)), 5) + "SOL  " + "   OW" +
                       fit(std::to_string(generate.pick(-9999, 99999)), 5);
    for (int f = 0; f < 6; ++f) {
      const int kind = generate.pick(0, 9);
      std::string field = fieldText(generate.pick(-999999, 999999), 8, f < 3 ? 3 : 4,
                                    kind < 6 ? Shape::Standard : Shape::LeftJustified);
      if (kind == 7) field = fit(generate.plainReal(), 8);
      if (kind == 8) field = generate.spoiled(field).substr(0, 8);
      line += field.empty() ? "   1.000" : field;
    }
    const int ending = generate.pick(0, 9);
    if (ending == 0) line.resize(static_cast<std::size_t>(generate.pick(0, 67)));
    if (ending == 1) line.insert(static_cast<std::size_t>(generate.pick(0, 67)), ",");
    if (ending == 2) line += "  trailing columns 1.5e3 , x";
    // A line feed or carriage return among the generated controls would end the line.
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = '\v';
    }
    lines.push_back(line);
  }
  return lines;
}

TEST(FastAtomLines, ReadThroughAUnitAsFieldByFieldWithTheGeneralRoutines) {
  const std::vector<std::string> lines = generatedAtomLines();
  testsupport::ScratchDir dir;
  std::string content;
  for (const std::string& line : lines) content += line + "\n";
  testsupport::writeFile(dir.file("atoms.gro"), content);
  ::setenv("FOR_DISABLE_STACK_TRACE", "1", 1);
  textio::units::openUnit(10, dir.file("atoms.gro"), "OLD", "SEQUENTIAL");
  int failures = 0;
  for (const std::string& line : lines) {
    AtomItems got;
    AtomItems expected;
    const int status = textio::layouts::readFixed(
        10, textio::layouts::kAtomLine,
        {&got.residueNumber, std::span<char>(got.residueName), std::span<char>(got.atomName),
         &got.atomNumber, &got.coordinates[0], &got.coordinates[1], &got.coordinates[2],
         &got.coordinates[3], &got.coordinates[4], &got.coordinates[5]},
        textio::layouts::ReturnOnEnd::Yes, textio::layouts::ReturnOnError::Yes);
    const int expectedStatus = expectedAtom(line, expected);
    bool same = status == expectedStatus && got.residueNumber == expected.residueNumber &&
                got.atomNumber == expected.atomNumber &&
                std::string(got.residueName, 5) == std::string(expected.residueName, 5) &&
                std::string(got.atomName, 5) == std::string(expected.atomName, 5);
    for (int i = 0; i < 6; ++i) {
      same = same && bitsOf(got.coordinates[i]) == bitsOf(expected.coordinates[i]);
    }
    if (!same && ++failures <= 20) {
      ADD_FAILURE() << "\"" << line << "\": status " << status << " expected " << expectedStatus;
    }
  }
  textio::units::closeUnit(10);
}

bool sameAtom(const AtomItems& a, const AtomItems& b) {
  bool same = a.residueNumber == b.residueNumber && a.atomNumber == b.atomNumber &&
              std::string(a.residueName, 5) == std::string(b.residueName, 5) &&
              std::string(a.atomName, 5) == std::string(b.atomName, 5);
  for (int i = 0; i < 6; ++i) same = same && bitsOf(a.coordinates[i]) == bitsOf(b.coordinates[i]);
  return same;
}

constexpr textio::layouts::FieldPlace kAtomPlaces[] = {
    {offsetof(AtomItems, residueNumber), 0},
    {offsetof(AtomItems, residueName), 5},
    {offsetof(AtomItems, atomName), 5},
    {offsetof(AtomItems, atomNumber), 0},
    {offsetof(AtomItems, coordinates) + 0 * sizeof(float), 0},
    {offsetof(AtomItems, coordinates) + 1 * sizeof(float), 0},
    {offsetof(AtomItems, coordinates) + 2 * sizeof(float), 0},
    {offsetof(AtomItems, coordinates) + 3 * sizeof(float), 0},
    {offsetof(AtomItems, coordinates) + 4 * sizeof(float), 0},
    {offsetof(AtomItems, coordinates) + 5 * sizeof(float), 0},
};

TEST(FastAtomLines, ReadIntoRecordsAsOneStatementPerLine) {
  const std::vector<std::string> lines = generatedAtomLines();
  std::vector<AtomItems> readable;  // the records the lines that can be read give, in order
  for (const std::string& line : lines) {
    AtomItems atom;
    if (expectedAtom(line, atom) == 0) readable.push_back(atom);
  }
  ASSERT_GT(readable.size(), lines.size() / 2);
  ASSERT_LT(readable.size(), lines.size());
  testsupport::ScratchDir dir;
  std::string content;
  for (const std::string& line : lines) content += line + "\n";
  testsupport::writeFile(dir.file("atoms.gro"), content);
  ::setenv("FOR_DISABLE_STACK_TRACE", "1", 1);

  // More statements than lines: every line once, then the end.
  textio::units::openUnit(10, dir.file("atoms.gro"), "OLD", "SEQUENTIAL");
  std::vector<AtomItems> records(lines.size() + 10);
  const textio::layouts::FixedRecordsRead all =
      textio::layouts::readFixedRecords(10, textio::layouts::kAtomLine, kAtomPlaces, records.data(),
                                        sizeof(AtomItems), records.size(), lines.size() + 5);
  EXPECT_EQ(all.records, readable.size());
  EXPECT_EQ(all.statements, lines.size() + 1);
  EXPECT_TRUE(all.ended);
  int failures = 0;
  for (std::size_t i = 0; i < std::min(all.records, readable.size()); ++i) {
    if (!sameAtom(records[i], readable[i]) && ++failures <= 20) ADD_FAILURE() << "record " << i;
  }
  textio::units::closeUnit(10);

  // A capacity of 100 records stops after the statement that fills the hundredth; the next
  // call goes on with the next line; a statement count stops the reading as well.
  textio::units::openUnit(10, dir.file("atoms.gro"), "OLD", "SEQUENTIAL");
  std::vector<AtomItems> first(100);
  const textio::layouts::FixedRecordsRead part = textio::layouts::readFixedRecords(
      10, textio::layouts::kAtomLine, kAtomPlaces, first.data(), sizeof(AtomItems), 100, 100000);
  EXPECT_EQ(part.records, 100u);
  EXPECT_FALSE(part.ended);
  std::size_t hundredth = 0;
  for (std::size_t seen = 0; seen < 100; ++hundredth) {
    AtomItems atom;
    if (expectedAtom(lines[hundredth], atom) == 0) ++seen;
  }
  EXPECT_EQ(part.statements, hundredth);
  AtomItems next;
  const textio::layouts::FixedRecordsRead more = textio::layouts::readFixedRecords(
      10, textio::layouts::kAtomLine, kAtomPlaces, &next, sizeof(AtomItems), 1, 1);
  EXPECT_EQ(more.statements, 1u);
  AtomItems expected;
  const int status = expectedAtom(lines[hundredth], expected);
  EXPECT_EQ(more.records, status == 0 ? 1u : 0u);
  if (status == 0) {
    EXPECT_TRUE(sameAtom(next, expected));
  }
  EXPECT_TRUE(sameAtom(first[99], readable[99]));
  textio::units::closeUnit(10);
}

TEST(FastAtomLines, PlacesBeyondTheLayoutTakeFurtherLines) {
  // Two places through (I5): each statement reads two lines; the end of the file in the
  // middle of a statement ends the reading, an unreadable first line skips the pair.
  testsupport::ScratchDir dir;
  testsupport::writeFile(dir.file("numbers.txt"), "1\n2\n  x\n4\n5\n6\n7\n");
  ::setenv("FOR_DISABLE_STACK_TRACE", "1", 1);
  textio::units::openUnit(10, dir.file("numbers.txt"), "OLD", "SEQUENTIAL");
  struct Pair {
    std::int32_t a = -1;
    std::int32_t b = -1;
  };
  constexpr textio::layouts::FieldPlace places[] = {{offsetof(Pair, a), 0}, {offsetof(Pair, b), 0}};
  Pair pairs[4];
  const textio::layouts::FixedRecordsRead got = textio::layouts::readFixedRecords(
      10, textio::layouts::kI5, places, pairs, sizeof(Pair), 4, 10);
  // (1, 2); "  x" fails, so its statement ends there; (4, 5); (6, 7); then the end.
  EXPECT_EQ(got.records, 3u);
  EXPECT_EQ(got.statements, 5u);
  EXPECT_TRUE(got.ended);
  EXPECT_EQ(pairs[0].a, 1);
  EXPECT_EQ(pairs[0].b, 2);
  EXPECT_EQ(pairs[1].a, 4);
  EXPECT_EQ(pairs[1].b, 5);
  EXPECT_EQ(pairs[2].a, 6);
  EXPECT_EQ(pairs[2].b, 7);
  textio::units::closeUnit(10);
}

}  // namespace
