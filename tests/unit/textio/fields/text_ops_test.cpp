// Tests of the fixed-length text operations: left adjustment and padded comparison.
#include "textio/fields/text_ops.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(AdjustLeft, MovesLeadingBlanksToTheEnd) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      // all blank stays all blank; a tab is not a blank, so only blanks before it move
      {"  SOL", "SOL  "},   {"  OW ", "OW   "},   {"     ", "     "},
      {"\tSOL ", "\tSOL "}, {" \tSOL", "\tSOL "}, {"OW   ", "OW   "},
      {" a b ", "a b  "},   {"x", "x"},           {"", ""},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    textio::fields::adjustLeft(text);
    EXPECT_EQ(text, c.expected) << "input \"" << c.text << "\"";
    EXPECT_EQ(text.size(), c.text.size());
  }
}

TEST(AdjustLeft, WorksOnAFixedBufferInPlace) {
  char name[5] = {' ', ' ', 'O', 'W', ' '};
  textio::fields::adjustLeft(name);
  EXPECT_EQ(std::string(name, 5), "OW   ");
}

TEST(EqualsPadded, ComparesUpToTrailingBlanks) {
  const std::string yes80 = "yes" + std::string(77, ' ');
  const std::string no80 = "no" + std::string(78, ' ');
  struct Case {
    std::string a;
    std::string b;
    bool expected;
  };
  const Case cases[] = {
      {yes80, "yes", true},
      {yes80, "YES", false},  // case matters
      {"any  ", "any", true},
      {no80, "no", true},
      {"No" + std::string(78, ' '), "no", false},
      {" no" + std::string(77, ' '), "no", false},  // a leading blank is not padding
      {"", "", true},
      {"", "   ", true},
      {"", "a", false},
      {"ab", "a", false},
      {"a\t", "a", false},  // a tab is not padding
      {"a b", "a", false},
      {"abc", "abd", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textio::fields::equalsPadded(c.a, c.b), c.expected)
        << "\"" << c.a << "\" vs \"" << c.b << "\"";
    EXPECT_EQ(textio::fields::equalsPadded(c.b, c.a), c.expected)
        << "swapped: \"" << c.b << "\" vs \"" << c.a << "\"";
  }
}

}  // namespace
