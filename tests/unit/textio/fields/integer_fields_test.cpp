// Tests of the I field conversions, both directions. Expected texts and values are worked by
// hand from the field rules.
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

std::string integerText(std::int32_t v, int w, int m = 1) {
  std::string out;
  textio::fields::formatInteger(v, w, out, m);
  return out;
}

// ---------------------------------------------------------------------------------------
// I output
// ---------------------------------------------------------------------------------------

TEST(IntegerOutput, FollowsTheFieldRules) {
  struct Case {
    std::int32_t value;
    int width;
    std::string expected;
  };
  const Case cases[] = {
      {0, 5, "    0"},
      {-5, 5, "   -5"},
      {100000, 5, "*****"},
      {-12345, 5, "*****"},
      {12345, 5, "12345"},
      {-1234, 5, "-1234"},
      {123456, 5, "*****"},
      {1, 6, "     1"},
      {123456, 6, "123456"},
      {216, 5, "  216"},
      {7, 1, "7"},
      {-7, 1, "*"},
      {10, 1, "*"},
      {std::numeric_limits<std::int32_t>::min(), 11, "-2147483648"},
      {std::numeric_limits<std::int32_t>::min(), 12, " -2147483648"},
      {std::numeric_limits<std::int32_t>::min(), 10, "**********"},
      {std::numeric_limits<std::int32_t>::max(), 10, "2147483647"},
      {std::numeric_limits<std::int32_t>::max(), 9, "*********"},
  };
  for (const Case& c : cases) {
    std::string out = "<";
    const FieldFit fit = textio::fields::formatInteger(c.value, c.width, out);
    EXPECT_EQ(out, "<" + c.expected) << c.value << " in I" << c.width;
    EXPECT_EQ(fit, c.expected[0] == '*' ? FieldFit::Asterisks : FieldFit::Fits) << c.value;
  }
}

TEST(IntegerOutput, MinimumDigitsFillWithZeros) {
  EXPECT_EQ(integerText(5, 4, 3), " 005");
  EXPECT_EQ(integerText(-5, 4, 3), "-005");
  EXPECT_EQ(integerText(-5, 3, 3), "***");
  EXPECT_EQ(integerText(1234, 6, 3), "  1234");
}

// ---------------------------------------------------------------------------------------
// I input
// ---------------------------------------------------------------------------------------

TEST(IntegerInput, FollowsTheFieldRules) {
  struct Case {
    std::string field;
    std::int32_t value;
    int status;
  };
  const Case cases[] = {
      {"  1 2", 12, 0},
      {" -  7", -7, 0},
      {"12   ", 12, 0},
      {"     ", 0, 0},
      {"", 0, 0},
      {"  -  ", 0, 0},
      {"+", 0, 0},
      {"12345", 12345, 0},
      {"+0042", 42, 0},
      {"  216", 216, 0},
      {"216  ", 216, 0},
      {"   ab", 0, kInputConversionError},
      {"\t1", 0, kInputConversionError},
      {"1\t", 0, kInputConversionError},
      {"1.0", 0, kInputConversionError},
      {"--1", 0, kInputConversionError},
      {"+-1", 0, kInputConversionError},
      {"1-", 0, kInputConversionError},
      {"1 -", 0, kInputConversionError},
      {"12a", 0, kInputConversionError},
      {"2147483647", 2147483647, 0},
      {"-2147483648", std::numeric_limits<std::int32_t>::min(), 0},
      {"2147483648", 0, kInputConversionError},
      {"-2147483649", 0, kInputConversionError},
      {"00000000000000000000001", 1, 0},
      {"99999999999999999999", 0, kInputConversionError},
  };
  for (const Case& c : cases) {
    const textio::fields::IntegerField result = textio::fields::parseIntegerField(c.field);
    EXPECT_EQ(result.value, c.value) << "\"" << c.field << "\"";
    EXPECT_EQ(result.status, c.status) << "\"" << c.field << "\"";
  }
}

}  // namespace
