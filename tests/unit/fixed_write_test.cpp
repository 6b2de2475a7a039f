// Tests of the fixed-layout write statement on real files in a scratch directory: whole lines
// written through the tool's layouts, non-advancing output and its completion.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "child_process.h"
#include "fixed_units.h"
#include "textio/fixed_statements.h"
#include "textio/free_form.h"
#include "textio/unit.h"

namespace {

// Layouts the tool does not use, for the rules the tool's own layouts cannot show.
constexpr std::array kA3{textio::fieldA(3)};

// ---------------------------------------------------------------------------------------
// Output
// ---------------------------------------------------------------------------------------

TEST_F(FixedUnits, WritesWholeLinesThroughTheLayouts) {
  using std::int32_t;
  using std::string_view;
  struct Case {
    const char* name;
    std::function<void()> write;
    std::string expected;
  };
  const Case cases[] = {
      {"atom line",
       [] {
         writeFixed(kOut, layouts::kAtomLine,
                    {int32_t{1}, string_view{"SOL  "}, string_view{"   OW"}, int32_t{1}, 0.126f,
                     1.639f, 1.282f, -0.3885f, 0.5879f, 0.0f});
       },
       "    1SOL     OW    1   0.126   1.639   1.282 -0.3885  0.5879  0.0000\r\n"},
      {"fields filled to their width touch",
       [] {
         writeFixed(kOut, layouts::kAtomLine,
                    {int32_t{12345}, string_view{"RESNM"}, string_view{"ATOMN"}, int32_t{99999},
                     -99.999f, 999.999f, -0.5f, -99.9999f, 999.9999f, -0.0001f});
       },
       "12345RESNMATOMN99999 -99.999 999.999  -0.500-99.9999999.9999 -0.0001\r\n"},
      {"the statement ends at the first field without an item; trailing blanks stay",
       [] {
         writeFixed(kOut, layouts::kAtomLine, {int32_t{7}, string_view{"ALA  "}});
       },
       "    7ALA  \r\n"},
      {"items left at the end of the layout go on a new line",
       [] {
         writeFixed(kOut, layouts::kI6, {int32_t{1}, int32_t{2}, int32_t{123456}});
       },
       "     1\r\n     2\r\n123456\r\n"},
      {"integers too wide are asterisks and the statement goes on",
       [] {
         writeFixed(kOut, layouts::kI5,
                    {int32_t{0}, int32_t{-5}, int32_t{100000}, int32_t{-12345}});
       },
       "    0\r\n   -5\r\n*****\r\n*****\r\n"},
      {"ball region line",
       [] {
         writeFixed(kOut, layouts::kBallRegion,
                    {string_view{"center (nm):"}, 1.0f, 2.5f, -99.0f, string_view{" r="}, 0.5f,
                     string_view{"atom:"}, string_view{"  OW "}, string_view{"residue:"},
                     string_view{"SOL  "}});
       },
       "   center (nm):  1.00  2.50-99.00     r= 0.50 atom:  OW  residue:SOL  \r\n"},
      {"box region line with a value too wide in the middle",
       [] {
         writeFixed(kOut, layouts::kBoxRegion,
                    {string_view{"box"}, 100.0f, -100.0f, 0.125f, 0.375f, 1e30f,
                     std::numeric_limits<float>::quiet_NaN(), string_view{"a"}, string_view{"b"}});
       },
       "           box100.00******  0.12  0.38****** NaN       a    b\r\n"},
      {"cylinder region line",
       [] {
         writeFixed(kOut, layouts::kCylinderRegion,
                    {string_view{"cylinder"}, 0.25f, 0.35f, -1.0f, 99.9f, 100.0f});
       },
       "                cylinder  0.2  0.3 -1.0 99.9100.0\r\n"},
      {"last line of result.gro",
       [] {
         writeFixed(kOut, layouts::kLastLine, {2.5f, 0.0f, 10.12345f});
       },
       "   2.50000   0.00000  10.12345\r\n"},
      {"a text longer than its field is cut",
       [] { writeFixed(kOut, layouts::kA5, {string_view{"ABCDEFG"}}); }, "ABCDE\r\n"},
      {"a long line is written in full",
       [] {
         const std::string wide(300, 'x');
         writeFixed(kOut, kA3, {string_view{wide}});
         constexpr std::array kA300{textio::fieldA(300)};
         writeFixed(kOut, kA300, {string_view{"end"}});
       },
       "xxx\r\n" + std::string(297, ' ') + "end\r\n"},
  };
  for (const Case& c : cases) {
    openOutput();
    c.write();
    EXPECT_EQ(closedOutput(), c.expected) << c.name;
  }
}

TEST_F(FixedUnits, NonAdvancingOutputWithTwentyThreeNumbers) {
  // The list.ndx pattern: ten numbers of six columns per line, each line ended by an empty
  // free-form write, the last shorter line completed by the close.
  openOutput();
  std::vector<std::int32_t> numbers;
  for (std::int32_t n = 1; n <= 22; ++n) numbers.push_back(n * 3);
  numbers.push_back(123456);
  std::string expected;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    writeFixed(kOut, layouts::kI6, {numbers[i]}, Advance::No);
    const std::string digits = std::to_string(numbers[i]);
    expected += std::string(6 - digits.size(), ' ') + digits;
    if ((i + 1) % 10 == 0) {
      textio::writeList(kOut, {});
      expected += "\r\n";
    }
  }
  ASSERT_NE(textio::findUnit(kOut), nullptr);
  EXPECT_TRUE(textio::findUnit(kOut)->pending);
  EXPECT_EQ(textio::findUnit(kOut)->record.size(), 18u);
  expected += "\r\n";
  const std::string written = closedOutput();
  EXPECT_EQ(written, expected);
  EXPECT_EQ(written.find("\r\n"), 60u);
  EXPECT_EQ(written.size(), 60u + 2 + 60 + 2 + 18 + 2);
  EXPECT_NE(written.find("123456\r\n"), std::string::npos);
}

TEST_F(FixedUnits, NonAdvancingOutputWithTwentyNumbersLeavesNothingForTheClose) {
  openOutput();
  for (std::int32_t n = 1; n <= 20; ++n) {
    writeFixed(kOut, layouts::kI6, {n}, Advance::No);
    if (n % 10 == 0) textio::writeList(kOut, {});
  }
  const std::string written = closedOutput();
  EXPECT_EQ(written.size(), 2u * 62u);
  EXPECT_EQ(written.substr(0, 12), "     1     2");
  EXPECT_EQ(written.substr(120), "20\r\n");
}

TEST_F(FixedUnits, AnAdvancingWriteContinuesThePendingLine) {
  openOutput();
  writeFixed(kOut, layouts::kI6, {std::int32_t{1}}, Advance::No);
  writeFixed(kOut, layouts::kI6, {std::int32_t{2}}, Advance::No);
  writeFixed(kOut, layouts::kA5, {std::string_view{"x"}});
  writeFixed(kOut, layouts::kA5, {std::string_view{"y"}});
  EXPECT_EQ(closedOutput(), "     1     2    x\r\n    y\r\n");
}

TEST_F(FixedUnits, NonAdvancingOutputWithItemsLeftOverWritesTheFullLines) {
  openOutput();
  writeFixed(kOut, layouts::kI6, {std::int32_t{1}, std::int32_t{2}, std::int32_t{3}}, Advance::No);
  EXPECT_EQ(textio::findUnit(kOut)->record, "     3");
  EXPECT_EQ(closedOutput(), "     1\r\n     2\r\n     3\r\n");
}

}  // namespace
