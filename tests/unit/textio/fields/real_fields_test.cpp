// Tests of the F field conversions, both directions, and so of the exact rounding of F output.
// Expected texts are worked by hand or computed here from the float's exact binary value by
// independent means (decimal digit vectors, or double products that are exact).
#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "textio/fields/fixed_fields.h"

namespace {

using textio::fields::FieldFit;
using textio::fields::kInputConversionError;

std::string fixedText(float x, int w, int d) {
  std::string out;
  textio::fields::formatFixed(x, w, d, out);
  return out;
}

// ---------------------------------------------------------------------------------------
// Independent reference for F output
// ---------------------------------------------------------------------------------------

// Exact decimal form of mantissa * 2^exponent: integer digits (no leading zeros, empty for
// zero) and all fraction digits. Built with little-endian decimal digit vectors.
struct ExactDecimal {
  std::string integer;
  std::string fraction;
};

ExactDecimal exactDecimal(std::uint64_t mantissa, int exponent) {
  std::vector<int> digits;  // little-endian
  for (std::uint64_t m = mantissa; m != 0; m /= 10) digits.push_back(static_cast<int>(m % 10));
  const auto multiply = [&digits](int factor) {
    int carry = 0;
    for (int& digit : digits) {
      const int product = digit * factor + carry;
      digit = product % 10;
      carry = product / 10;
    }
    while (carry != 0) {
      digits.push_back(carry % 10);
      carry /= 10;
    }
  };
  std::size_t fractionDigits = 0;
  if (exponent >= 0) {
    for (int i = 0; i < exponent; ++i) multiply(2);
  } else {
    // m * 2^-k = m * 5^k / 10^k
    for (int i = 0; i < -exponent; ++i) multiply(5);
    fractionDigits = static_cast<std::size_t>(-exponent);
  }
  while (digits.size() < fractionDigits) digits.push_back(0);
  std::string all;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it)
    all.push_back(static_cast<char>('0' + *it));
  ExactDecimal result;
  result.integer = all.substr(0, all.size() - fractionDigits);
  result.fraction = all.substr(all.size() - fractionDigits);
  const std::size_t firstNonZero = result.integer.find_first_not_of('0');
  result.integer = firstNonZero == std::string::npos ? "" : result.integer.substr(firstNonZero);
  return result;
}

ExactDecimal exactDecimal(float x) {
  int e = 0;
  const double f = std::frexp(std::fabs(static_cast<double>(x)), &e);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(f, 24));
  return exactDecimal(mantissa, e - 24);
}

// Rounds to d fraction digits, ties to the even last digit, on the decimal text.
ExactDecimal roundHalfEven(ExactDecimal value, int d) {
  std::string fraction = value.fraction;
  if (fraction.size() < static_cast<std::size_t>(d) + 1)
    fraction.resize(static_cast<std::size_t>(d) + 1, '0');
  std::string kept = value.integer + fraction.substr(0, static_cast<std::size_t>(d));
  const std::string rest = fraction.substr(static_cast<std::size_t>(d));
  const bool aboveHalf =
      rest[0] > '5' || (rest[0] == '5' && rest.find_first_not_of('0', 1) != std::string::npos);
  const bool exactHalf = rest[0] == '5' && rest.find_first_not_of('0', 1) == std::string::npos;
  const bool lastOdd = !kept.empty() && ((kept.back() - '0') % 2 == 1);
  if (aboveHalf || (exactHalf && lastOdd)) {
    int i = static_cast<int>(kept.size()) - 1;
    while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9')
      kept[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++kept[static_cast<std::size_t>(i)];
    } else {
      kept.insert(kept.begin(), '1');
    }
  }
  ExactDecimal rounded;
  rounded.integer = kept.substr(0, kept.size() - static_cast<std::size_t>(d));
  rounded.fraction = kept.substr(kept.size() - static_cast<std::size_t>(d));
  const std::size_t firstNonZero = rounded.integer.find_first_not_of('0');
  rounded.integer = firstNonZero == std::string::npos ? "" : rounded.integer.substr(firstNonZero);
  return rounded;
}

// The field text from rounded digits, by the layout rules: sign only for a non-zero
// result, optional 0 before the point, right-justified, asterisks when too wide.
std::string expectedField(bool signBit, const ExactDecimal& rounded, int w) {
  const bool zero =
      rounded.integer.empty() && rounded.fraction.find_first_not_of('0') == std::string::npos;
  const std::string sign = (signBit && !zero) ? "-" : "";
  std::string text = sign + rounded.integer + "." + rounded.fraction;
  if (static_cast<int>(text.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
  if (rounded.integer.empty() && static_cast<int>(text.size()) < w)
    text = sign + "0." + rounded.fraction;
  return std::string(static_cast<std::size_t>(w) - text.size(), ' ') + text;
}

std::string referenceFixed(float x, int w, int d) {
  return expectedField(std::signbit(x), roundHalfEven(exactDecimal(x), d), w);
}

// A second reference for narrow fields: |x| * 10^d is exact in a double for d <= 12 (24 bits
// of the float plus 2.33 d bits of 5^d fit in 53), and nearbyint rounds it to the nearest
// integer, ties to even. Written into `out` without allocating, for the sweeps over
// millions of values.
void productFixed(float x, int w, int d, std::string& out) {
  static_assert(std::numeric_limits<double>::digits == 53);
  std::uint64_t power = 1;
  for (int i = 0; i < d; ++i) power *= 10;
  const auto scaled = static_cast<std::uint64_t>(
      std::nearbyint(std::fabs(static_cast<double>(x)) * static_cast<double>(power)));
  const std::uint64_t integerPart = scaled / power;
  std::uint64_t fractionPart = scaled % power;
  char text[48];
  int length = 0;
  if (std::signbit(x) && scaled != 0) text[length++] = '-';
  if (integerPart != 0) {
    char reversed[24];
    int count = 0;
    for (std::uint64_t v = integerPart; v != 0; v /= 10)
      reversed[count++] = static_cast<char>('0' + v % 10);
    while (count > 0) text[length++] = reversed[--count];
  }
  text[length++] = '.';
  for (int i = d - 1; i >= 0; --i) {
    text[length + i] = static_cast<char>('0' + fractionPart % 10);
    fractionPart /= 10;
  }
  length += d;
  out.clear();
  if (length > w) {
    out.append(static_cast<std::size_t>(w), '*');
    return;
  }
  const bool zeroBeforePoint = integerPart == 0 && length < w;
  out.append(static_cast<std::size_t>(w - length - (zeroBeforePoint ? 1 : 0)), ' ');
  const int signLength = text[0] == '-' ? 1 : 0;
  out.append(text, static_cast<std::size_t>(signLength));
  if (zeroBeforePoint) out.push_back('0');
  out.append(text + signLength, static_cast<std::size_t>(length - signLength));
}

std::string productFixed(float x, int w, int d) {
  std::string out;
  productFixed(x, w, d, out);
  return out;
}

TEST(FixedReference, AgreesWithHandWorkedValues) {
  // The reference itself, on values whose exact expansions are known.
  const auto significant = [](std::string digits) {
    return digits.erase(digits.find_last_not_of('0') + 1);
  };
  EXPECT_EQ(significant(exactDecimal(0.375f).fraction), "375");
  EXPECT_EQ(significant(exactDecimal(0.1f).fraction), "100000001490116119384765625");
  EXPECT_EQ(exactDecimal(FLT_MAX).integer, "340282346638528859811704183484516925440");
  EXPECT_EQ(referenceFixed(0.125f, 5, 2), " 0.12");
  EXPECT_EQ(productFixed(0.125f, 5, 2), " 0.12");
  EXPECT_EQ(referenceFixed(-0.5f, 5, 3), "-.500");
}

// ---------------------------------------------------------------------------------------
// F output
// ---------------------------------------------------------------------------------------

TEST(FixedOutput, FollowsTheFieldRules) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float value;
    int width;
    int decimals;
    std::string expected;
  };
  const Case cases[] = {
      {0.125f, 5, 2, " 0.12"},   // exact tie: even digit
      {0.375f, 5, 2, " 0.38"},   // exact tie: even digit
      {9.9996f, 5, 3, "*****"},  // rounds to 10.000 first
      {-0.0004f, 8, 3, "   0.000"},
      {-0.0f, 8, 3, "   0.000"},
      {0.5f, 4, 3, ".500"},
      {-0.5f, 5, 3, "-.500"},
      {-0.5f, 6, 3, "-0.500"},
      {0.5f, 5, 2, " 0.50"},
      {100.0f, 5, 2, "*****"},
      {-1000.0f, 8, 3, "********"},
      {1.23456f, 8, 3, "   1.235"},
      {-0.5f, 8, 3, "  -0.500"},
      {12345.0f, 8, 3, "********"},
      {-99.0f, 6, 2, "-99.00"},
      {100.0f, 6, 2, "100.00"},
      {-100.0f, 6, 2, "******"},
      {0.25f, 5, 1, "  0.2"},  // exact tie
      {0.35f, 5, 1, "  0.3"},  // stored slightly below 0.35
      {0.0f, 10, 5, "   0.00000"},
      {1.0f, 10, 5, "   1.00000"},
      {0.1f, 6, 2, "  0.10"},
      {2.5f, 6, 2, "  2.50"},
      {-99.99f, 6, 2, "-99.99"},
      {-0.004f, 5, 2, " 0.00"},  // rounds to zero: no sign
      {-0.006f, 5, 2, "-0.01"},
      {-0.006f, 4, 2, "-.01"},  // no room for the zero
      {0.006f, 3, 2, ".01"},
      {0.006f, 2, 2, "**"},
      {9.995f, 5, 2, " 9.99"},  // stored below the tie
      {9.996f, 5, 2, "10.00"},
      {0.0f, 1, 0, "."},
      {0.0f, 2, 0, "0."},
      {2.5f, 4, 0, "  2."},  // tie, even
      {3.5f, 4, 0, "  4."},  // tie, even
      {-0.4f, 3, 0, " 0."},
      {-0.6f, 3, 0, "-1."},
      {1.0f, 1, 0, "*"},
      {nan, 8, 3, " NaN    "},
      {-nan, 8, 3, " NaN    "},
      {nan, 4, 1, " NaN"},
      {nan, 3, 1, "***"},
      {inf, 8, 3, "********"},
      {inf, 9, 3, " Infinity"},
      {-inf, 10, 3, " -Infinity"},
      {-inf, 9, 3, "*********"},
      {-inf, 12, 3, " -Infinity  "},
  };
  for (const Case& c : cases) {
    std::string out = "<";
    const FieldFit fit = textio::fields::formatFixed(c.value, c.width, c.decimals, out);
    EXPECT_EQ(out, "<" + c.expected) << c.value << " in F" << c.width << "." << c.decimals;
    EXPECT_EQ(fit, c.expected[0] == '*' ? FieldFit::Asterisks : FieldFit::Fits) << c.value;
  }
}

// Every rounding boundary b = (k + 1/2) / 10^d of the field: the float nearest b and its two
// neighbours, positive and negative, against the exact double-product reference.
void sweepBoundaries(int w, int d, std::int64_t firstK, std::int64_t lastK, std::int64_t step) {
  const double unit = std::pow(10.0, -d);
  int failures = 0;
  std::string got;
  std::string expected;
  for (std::int64_t k = firstK; k <= lastK && failures < 20; k += step) {
    const float nearest = static_cast<float>((static_cast<double>(k) + 0.5) * unit);
    const float candidates[] = {std::nextafter(nearest, 0.0f), nearest,
                                std::nextafter(nearest, HUGE_VALF)};
    for (const float c : candidates) {
      for (const float x : {c, -c}) {
        got.clear();
        textio::fields::formatFixed(x, w, d, got);
        productFixed(x, w, d, expected);
        if (got != expected) {
          ++failures;
          ADD_FAILURE() << "F" << w << "." << d << " of " << std::hexfloat << x << ": got \"" << got
                        << "\", expected \"" << expected << "\"";
        }
      }
    }
  }
}

TEST(FixedOutput, EveryBoundaryOfF8_3) {
  // Up to 9999.9995 and beyond: the last boundaries turn into asterisks.
  sweepBoundaries(8, 3, 0, 10000100, 1);
}

TEST(FixedOutput, EveryBoundaryOfF10_5BelowSixteen) { sweepBoundaries(10, 5, 0, 1600000, 1); }

TEST(FixedOutput, SampledBoundariesOfF10_5UpToItsWidth) {
  // Every 7th boundary over the rest of the range up to 10^4 and beyond it.
  sweepBoundaries(10, 5, 1600000, 1000010000, 7919);
  // Exact ties of F10.5 are the odd multiples of 1/64: all of them below 10^4.
  int failures = 0;
  std::string got;
  for (int j = 1; j < 64 * 10000 && failures < 20; j += 2) {
    const float tie = static_cast<float>(j) / 64.0f;
    for (const float x : {tie, -tie}) {
      got.clear();
      textio::fields::formatFixed(x, 10, 5, got);
      if (got != productFixed(x, 10, 5)) {
        ++failures;
        ADD_FAILURE() << "tie " << x << ": " << got;
      }
    }
  }
}

TEST(FixedOutput, ExactTiesOfF8_3GoToEven) {
  // 1/16 = 0.0625 is a tie of F8.3: the even digit 2 stays; 3/16 = 0.1875 goes up to 0.188.
  EXPECT_EQ(fixedText(0.0625f, 8, 3), "   0.062");
  EXPECT_EQ(fixedText(0.1875f, 8, 3), "   0.188");
  EXPECT_EQ(fixedText(-0.0625f, 8, 3), "  -0.062");
  EXPECT_EQ(fixedText(1.0625f, 8, 3), "   1.062");
  EXPECT_EQ(fixedText(999.9375f, 8, 3), " 999.938");
}

TEST(FixedOutput, WideFieldsAndManyDecimalsAreExact) {
  const float values[] = {
      FLT_MAX,     -FLT_MAX, FLT_MIN,     std::numeric_limits<float>::denorm_min(),
      -3.0e-40f,   1.0e10f,  16777217.0f, 0.1f,
      -2.5e-8f,    123.456f, 1.0e38f,     6.5e-44f,
      0.99999994f, 8.5e-30f, -7.0e20f,    1.0f};
  const int decimals[] = {0, 1, 5, 9, 20, 27, 28, 30, 45, 60, 100, 148, 149, 150, 160};
  for (const float x : values) {
    for (const int d : decimals) {
      const int wide = 45 + d;
      EXPECT_EQ(fixedText(x, wide, d), referenceFixed(x, wide, d))
          << std::hexfloat << x << " F" << wide << "." << d;
      // Just wide enough, and one column short.
      const std::string exact = referenceFixed(x, wide, d);
      const std::size_t firstNonBlank = exact.find_first_not_of(' ');
      const int tight = wide - static_cast<int>(firstNonBlank);
      EXPECT_EQ(fixedText(x, tight, d), referenceFixed(x, tight, d))
          << x << " F" << tight << "." << d;
      EXPECT_EQ(fixedText(x, tight - 1, d), referenceFixed(x, tight - 1, d))
          << x << " F" << tight - 1 << "." << d;
    }
  }
  EXPECT_EQ(fixedText(FLT_MAX, 45, 2), "   340282346638528859811704183484516925440.00");
  EXPECT_EQ(fixedText(FLT_MAX, 41, 2),
            "****************************************"
            "*");
}

TEST(FixedOutput, RandomFloatsOfEveryMagnitude) {
  std::mt19937 random(20240611u);
  std::uniform_int_distribution<std::uint32_t> bits(0, 0xFFFFFFFFu);
  std::uniform_int_distribution<int> decimalsPick(0, 60);
  std::string got;
  int failures = 0;
  for (int i = 0; i < 20000 && failures < 20; ++i) {
    float x;
    const std::uint32_t pattern = bits(random);
    std::memcpy(&x, &pattern, sizeof x);
    if (std::isnan(x) || std::isinf(x)) continue;
    const int d = decimalsPick(random);
    const int w = (i % 2 == 0) ? 50 + d : 8 + d / 4;  // mostly fitting, often asterisks
    got.clear();
    textio::fields::formatFixed(x, w, d, got);
    const std::string expected = referenceFixed(x, w, d);
    if (got != expected) {
      ++failures;
      ADD_FAILURE() << std::hexfloat << x << " F" << w << "." << d << ": \"" << got << "\" vs \""
                    << expected << "\"";
    }
  }
}

// ---------------------------------------------------------------------------------------
// F input
// ---------------------------------------------------------------------------------------

TEST(RealInput, FollowsTheFieldRules) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    std::string field;
    int decimals;
    float value;
    int status;
  };
  const Case cases[] = {
      {"    1234", 3, 1.234f, 0},
      {"   12340", 4, 1.234f, 0},
      {"   1.234", 3, 1.234f, 0},
      {"   1.234", 4, 1.234f, 0},
      {"       1", 3, 0.001f, 0},  // a comma-cut "   1"
      {"   1    ", 3, 0.001f, 0},
      {"  1 2 3 ", 3, 0.123f, 0},  // blanks ignored
      {"-1.5e+02", 3, -150.0f, 0},
      {"   1.5d2", 3, 150.0f, 0},
      {"   1.5D2", 3, 150.0f, 0},
      {"  1.5q-1", 3, 0.15f, 0},
      {"  1.5Q+1", 3, 15.0f, 0},
      {"   1.5-3", 3, 0.0015f, 0},
      {"   1.5+3", 3, 1500.0f, 0},
      {"  1.5e  ", 3, 1.5f, 0},  // letter without digits: exponent 0
      {"  1.5e- ", 3, 1.5f, 0},
      {" 1.5 e 2", 3, 150.0f, 0},
      {"    15e1", 3, 0.15f, 0},  // no point: 0.015 times 10
      {"   -.5  ", 3, -0.5f, 0},
      {"   +5.  ", 3, 5.0f, 0},
      {"    E5  ", 3, 0.0f, 0},
      {"\t\n\v\f\r 2.5", 3, 2.5f, 0},  // control characters skipped at the start
      {" \t -2.5", 3, -2.5f, 0},
      {"        ", 3, 0.0f, 0},
      {"", 3, 0.0f, 0},
      {"   -    ", 3, 0.0f, 0},
      {"   .    ", 3, 0.0f, 0},
      {"   -.   ", 3, 0.0f, 0},
      {"  -0.000", 3, -0.0f, 0},
      {"      -0", 3, -0.0f, 0},
      {"1.e-45", 3, std::numeric_limits<float>::denorm_min(), 0},
      {"7.1e-46", 3, std::numeric_limits<float>::denorm_min(), 0},
      {"7.e-46", 3, 0.0f, 0},  // below half the smallest subnormal
      {"-1.e-50", 3, -0.0f, 0},
      {"    1e-3", 3, 1e-6f, 0},  // no point: the 10^-3 scaling applies too
      {"1.17549435e-38", 3, FLT_MIN, 0},
      {"5.87747175e-39", 3, FLT_MIN / 2.0f, 0},  // subnormal
      {"3.4028235e38", 3, FLT_MAX, 0},
      {"1e-10000", 3, 0.0f, 0},  // a long negative exponent underflows
      {"1e-99999999999999", 3, 0.0f, 0},
      {"0e9999", 3, 0.0f, 0},
      {"1.e0038", 3, 1e38f, 0},  // leading zeros of the exponent are not significant
      {" 1.2.3  ", 3, 1.2f, kInputConversionError},
      {"   1.5x ", 3, 1.5f, kInputConversionError},
      {"  1.5e2x", 3, 150.0f, kInputConversionError},
      {"  12\t5 ", 1, 1.2f, kInputConversionError},  // a tab after the first digit
      {"   -\t5 ", 3, 0.0f, kInputConversionError},
      {"    1.5-", 3, 1.5f, kInputConversionError},  // sign-form exponent without digits
      {"   1.5--3", 3, 1.5f, kInputConversionError},
      {"   --1.5", 3, 0.0f, kInputConversionError},
      {"    1,5 ", 3, 0.001f, kInputConversionError},  // a comma inside a field handed over
      {"abc", 3, 0.0f, kInputConversionError},
      {"3.4028236e38", 3, inf, kInputConversionError},  // too large for a float
      {"1.e39", 3, inf, kInputConversionError},
      {"-1.e39", 3, -inf, kInputConversionError},
      {"1.e10000", 3, inf, kInputConversionError},  // five significant exponent digits
      {"0e10000", 3, 0.0f, kInputConversionError},
      {"1.e-0001", 3, 0.1f, 0},
      {"    -Inf", 3, -inf, 0},
      {"    +inf", 3, inf, 0},
      {"Infinity", 3, inf, 0},
      {"-iNfInItY", 3, -inf, 0},
      {"   Inf  ", 3, inf, kInputConversionError},
      {"   Infin", 3, inf, kInputConversionError},
      {"   Inf5", 3, inf, kInputConversionError},
      {"    -NaN", 3, 0.0f, kInputConversionError},  // NaN takes no sign
      {"    nope", 3, 0.0f, kInputConversionError},
  };
  for (const Case& c : cases) {
    const textio::fields::RealField result = textio::fields::parseRealField(c.field, c.decimals);
    EXPECT_EQ(result.status, c.status) << "\"" << c.field << "\"";
    EXPECT_EQ(result.value, c.value) << "\"" << c.field << "\"";
    EXPECT_EQ(std::signbit(result.value), std::signbit(c.value)) << "sign of \"" << c.field << "\"";
  }
}

TEST(RealInput, FiveSignificantExponentDigitsFailWithTheFirstFourRead) {
  // The value before the fifth exponent digit is 1.5 * 10^1234.
  const textio::fields::RealField result = textio::fields::parseRealField("1.5e12345", 0);
  EXPECT_EQ(result.status, kInputConversionError);
  EXPECT_TRUE(std::isinf(result.value));
  const textio::fields::RealField small = textio::fields::parseRealField("0.0e12345", 0);
  EXPECT_EQ(small.status, kInputConversionError);
  EXPECT_EQ(small.value, 0.0f);
}

TEST(RealInput, NanWords) {
  const char* accepted[] = {"     NaN", "nan", "  nAn", "\t NaN"};
  for (const char* field : accepted) {
    const textio::fields::RealField result = textio::fields::parseRealField(field, 3);
    EXPECT_EQ(result.status, 0) << field;
    EXPECT_TRUE(std::isnan(result.value)) << field;
  }
  const textio::fields::RealField trailing = textio::fields::parseRealField("NaN     ", 3);
  EXPECT_EQ(trailing.status, kInputConversionError);
}

TEST(RealInput, DigitsBeyondTheTwentySeventhAreDroppedButMoveThePoint) {
  // 31 digits without a point in F31.0: the last four are dropped, the value stays 10^30.
  EXPECT_EQ(textio::fields::parseRealField("1000000000000000000000000000009", 0).value, 1e30f);
  EXPECT_EQ(textio::fields::parseRealField("1234567890123456789012345678901", 0).value,
            1.234567890123456789e30f);
  // Leading zeros are not significant digits.
  EXPECT_EQ(textio::fields::parseRealField(
                "0.00000000000000000000000000000000000012345678901234567890123456789", 0)
                .value,
            1.2345678901234567890e-37f);

  // T = 1 + 2^-24 + 2^-53 lies halfway between two doubles, just above the float tie
  // 1 + 2^-24. Anything above T rounds to a double above the tie and then up to the next
  // float; dropping the digits after the 27th leaves less than T, whose double is the tie
  // itself, which goes to the even float 1.0.
  const ExactDecimal t = exactDecimal((std::uint64_t{1} << 53) + (std::uint64_t{1} << 29) + 1, -53);
  ASSERT_EQ(t.integer, "1");
  const std::string field = t.integer + "." + t.fraction + "1";
  double full = 0.0;
  std::from_chars(field.data(), field.data() + field.size(), full);
  ASSERT_EQ(static_cast<float>(full), std::nextafter(1.0f, 2.0f))
      << "the case must tell the two rules apart";
  const textio::fields::RealField result = textio::fields::parseRealField(field, 0);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.value, 1.0f);
}

// The float nearest the decimal n / 1000, chosen exactly: c * 1000 is exact in long double.
float nearestFloatToThousandths(std::int64_t n) {
  static_assert(std::numeric_limits<long double>::digits >= 64, "the distances must be exact");
  const float guess = static_cast<float>(static_cast<double>(n) / 1000.0);
  float best = guess;
  long double bestDistance =
      std::fabs(static_cast<long double>(guess) * 1000.0L - static_cast<long double>(n));
  for (const float c : {std::nextafter(guess, -HUGE_VALF), std::nextafter(guess, HUGE_VALF)}) {
    const long double distance =
        std::fabs(static_cast<long double>(c) * 1000.0L - static_cast<long double>(n));
    if (distance < bestDistance) {
      best = c;
      bestDistance = distance;
    }
  }
  return best;
}

TEST(RealInput, EveryPrintedF8_3ReadsBackAsTheNearestFloat) {
  // A sweep over the bit patterns of the floats that F8.3 can show, positive and negative.
  const float top = 9999.999f;
  std::uint32_t topBits;
  std::memcpy(&topBits, &top, sizeof topBits);
  std::string text;
  int failures = 0;
  for (std::uint32_t bits = 0; bits <= topBits && failures < 20; bits += 613) {
    float magnitude;
    std::memcpy(&magnitude, &bits, sizeof magnitude);
    for (const float x : {magnitude, -magnitude}) {
      text.clear();
      if (textio::fields::formatFixed(x, 8, 3, text) == FieldFit::Asterisks) continue;
      // The printed decimal, worked from the text by hand: digits without the point.
      std::int64_t thousandths = 0;
      for (const char ch : text) {
        if (ch >= '0' && ch <= '9') thousandths = thousandths * 10 + (ch - '0');
      }
      const bool negative = text.find('-') != std::string::npos;
      const float expected = nearestFloatToThousandths(negative ? -thousandths : thousandths);
      const textio::fields::RealField back = textio::fields::parseRealField(text, 3);
      if (back.status != 0 || back.value != expected) {
        ++failures;
        ADD_FAILURE() << std::hexfloat << x << " printed \"" << text << "\" read " << back.value
                      << " status " << back.status;
      }
    }
  }
}

}  // namespace
