// Tests of the A field conversions: text padded on the left or cut on output, and the last
// characters taken or the rest blank-filled on input.
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

std::string textText(std::string_view t, int w) {
  std::string out;
  textio::fields::formatText(t, w, out);
  return out;
}

// ---------------------------------------------------------------------------------------
// A output and input
// ---------------------------------------------------------------------------------------

TEST(TextOutput, PadsOnTheLeftOrCuts) {
  EXPECT_EQ(textText("residue:", 9), " residue:");
  EXPECT_EQ(textText("  OW ", 5), "  OW ");
  EXPECT_EQ(textText("abcdef", 3), "abc");
  EXPECT_EQ(textText("", 2), "  ");
  EXPECT_EQ(textText("xyz", 3), "xyz");
}

TEST(TextInput, TakesTheLastOrPadsTheRest) {
  struct Case {
    std::string field;
    int width;
    std::size_t length;
    std::string expected;
  };
  const Case cases[] = {
      {"  OW ", 5, 5, "  OW "},
      {"abcdefg", 7, 5, "cdefg"},  // wider field: its last characters
      {"ab", 2, 5, "ab   "},       // narrower field: blanks after it
      {"OW", 5, 5, "OW   "},       // the line ended inside the field
      {"", 5, 5, "     "},
      {"abc", 7, 5, "c    "},       // columns 3-7 of the field, of which 4-7 are missing
      {"abcdefgh", 5, 5, "abcde"},  // only the field's own columns
  };
  for (const Case& c : cases) {
    std::string target(c.length, '?');
    textio::fields::takeTextField(c.field, c.width, target);
    EXPECT_EQ(target, c.expected) << "\"" << c.field << "\" A" << c.width;
  }
}

}  // namespace
