// Words of the selection picture: any bytes made into well-formed XML text.
#include "picture/plot_text.h"

#include <gtest/gtest.h>

#include <string>

namespace picture {
namespace {

TEST(XmlText, EscapesAndReplacesWhatXmlCannotHold) {
  const std::string bad = "\xEF\xBF\xBD";
  struct Case {
    std::string text, expected;
  };
  const Case cases[] = {
      {"a&b<c>\"d'", "a&amp;b&lt;c&gt;&quot;d&apos;"},
      {"tab\tkept", "tab\tkept"},
      {"bell\x07 nul" + std::string(1, '\0'), "bell" + bad + " nul" + bad},
      {"caf\xC3\xA9", "caf\xC3\xA9"},               // U+00E9
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},     // U+1F600
      {"cut \xC3", "cut " + bad},                   // lead byte at the end
      {"\xC0\xAF", bad + bad},                      // overlong '/'
      {"\xE0\x80\xAF", bad + bad + bad},            // overlong, three bytes
      {"\xED\xA0\x80", bad + bad + bad},            // surrogate
      {"\xEF\xBF\xBE", bad + bad + bad},            // U+FFFE, no XML character
      {"\xF4\x90\x80\x80", bad + bad + bad + bad},  // above U+10FFFF
      {"\x80x", bad + "x"},                         // stray continuation byte
  };
  for (const Case& c : cases) EXPECT_EQ(xmlText(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace picture
