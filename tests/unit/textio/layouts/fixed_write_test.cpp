// Tests of the fixed-layout write statement on real files in a scratch directory: whole lines
// written through the tool's layouts, non-advancing output and its completion.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "child_process.h"
#include "fixed_units.h"
#include "textio/freeform/free_form.h"
#include "textio/layouts/fixed_layout.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/units/unit.h"

namespace {

// Layouts the tool does not use, for the rules the tool's own layouts cannot show.
constexpr std::array kA3{textio::layouts::fieldA(3)};

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
         constexpr std::array kA300{textio::layouts::fieldA(300)};
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
      textio::freeform::writeList(kOut, {});
      expected += "\r\n";
    }
  }
  ASSERT_NE(textio::units::findUnit(kOut), nullptr);
  EXPECT_TRUE(textio::units::findUnit(kOut)->pending);
  EXPECT_EQ(textio::units::findUnit(kOut)->record.size(), 18u);
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
    if (n % 10 == 0) textio::freeform::writeList(kOut, {});
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
  EXPECT_EQ(textio::units::findUnit(kOut)->record, "     3");
  EXPECT_EQ(closedOutput(), "     1\r\n     2\r\n     3\r\n");
}

// ---------------------------------------------------------------------------------------
// Lines prepared once for many records
// ---------------------------------------------------------------------------------------

// The prepared line format writes exactly what formatFixedLine appends, or leaves the record to
// it; layouts the fast formatters cannot take at all are refused whole.
TEST(LineFormat, WritesWhatFormatFixedLineAppends) {
  struct Record {
    std::int32_t first;
    char name[5];
    char other[7];
    std::int32_t second;
    float values[6];
  };
  constexpr textio::layouts::FieldPlace kPlaces[] = {
      {offsetof(Record, first), 0},       {offsetof(Record, name), 5},
      {offsetof(Record, other), 7},       {offsetof(Record, second), 0},
      {offsetof(Record, values), 0},      {offsetof(Record, values) + 4, 0},
      {offsetof(Record, values) + 8, 0},  {offsetof(Record, values) + 12, 0},
      {offsetof(Record, values) + 16, 0}, {offsetof(Record, values) + 20, 0}};
  // Both names of five columns: the atom line's own formatters.
  constexpr textio::layouts::FieldPlace kAtomPlaces[] = {
      kPlaces[0], kPlaces[1], {offsetof(Record, other), 5},
      kPlaces[3], kPlaces[4], kPlaces[5],
      kPlaces[6], kPlaces[7], kPlaces[8],
      kPlaces[9]};
  constexpr auto kWide = textio::layouts::atomLineWithSpacing(11);
  constexpr std::array kNoDecimals{
      textio::layouts::fieldI(5),       textio::layouts::fieldA(5),
      textio::layouts::fieldA(3),       textio::layouts::fieldI(11),
      textio::layouts::fieldF(9, 0, 3), textio::layouts::fieldF(4, 3, 3)};
  constexpr std::array kMinimumDigits{
      textio::layouts::fieldI(5, 1), textio::layouts::fieldA(5, 2),
      textio::layouts::FieldDescriptor{textio::layouts::FieldKind::I, 1, 5, 0, 3},
      textio::layouts::fieldF(8, 3, 6)};
  constexpr std::array kTooWide{textio::layouts::fieldI(5), textio::layouts::fieldA(5, 2),
                                textio::layouts::fieldI(5), textio::layouts::fieldF(40, 3, 6)};
  constexpr std::array kTooFew{textio::layouts::fieldI(5), textio::layouts::fieldA(5, 2),
                               textio::layouts::fieldI(5), textio::layouts::fieldF(8, 3, 3)};
  const struct {
    const char* name;
    textio::layouts::FixedLayout layout;
    std::size_t width;  // 0: refused
    std::span<const textio::layouts::FieldPlace> places = kPlaces;
  } layouts[] = {{"standard", textio::layouts::kAtomLine, 68},
                 {"standard, names of five", textio::layouts::kAtomLine, 68, kAtomPlaces},
                 {"eleven columns apart", kWide, 86},
                 {"no decimals and narrow fields", kNoDecimals, 63},
                 {"minimum digits", kMinimumDigits, 0},
                 {"a field too wide", kTooWide, 0},
                 {"a second line", kTooFew, 0}};
  const float specials[] = {0.0f,
                            -0.0f,
                            0.0005f,
                            -0.0005f,
                            0.00049999997f,
                            9999.9995f,
                            -999.9995f,
                            99999.99f,
                            1e9f,
                            -1e12f,
                            1e-30f,
                            -2.5e-7f,
                            std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
  const std::int32_t integers[] = {
      0, -1, 99999, 100000, -9999, -10000, std::numeric_limits<std::int32_t>::min()};
  std::uint32_t seed = 4242;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  std::vector<Record> records;
  for (int i = 0; i < 20000; ++i) {
    Record r{};
    r.first = i % 3 == 0 ? integers[next() % std::size(integers)]
                         : static_cast<std::int32_t>(next() % 100000);
    std::memcpy(r.name, i % 2 ? "SOL  " : " NA+ ", 5);
    std::memcpy(r.other, i % 5 ? "  OW\tx " : "abcdefg", 7);
    r.second = static_cast<std::int32_t>(next());
    for (float& v : r.values) {
      // Most values plain, as a water box holds them; now and then one of the specials.
      v = next() % 10 == 0 ? specials[next() % std::size(specials)]
                           : (static_cast<float>(next() % 2000000) - 1000000.0f) / 997.0f;
    }
    records.push_back(r);
  }
  for (const auto& l : layouts) {
    SCOPED_TRACE(l.name);
    const textio::layouts::LineFormat format(l.layout, l.places);
    ASSERT_EQ(format.width(), l.width);
    if (l.width == 0) continue;
    std::string out(l.width, '?');
    std::size_t written = 0;
    for (const Record& r : records) {
      std::string expected;
      ASSERT_EQ(textio::layouts::formatFixedLine(l.layout, l.places, &r, expected), 0);
      if (!format.write(&r, out.data())) continue;
      ++written;
      ASSERT_EQ(out, expected);
    }
    // Only values the fast formatters decline (NaN, infinities, huge ones) are left over.
    EXPECT_GT(written, records.size() / 2);
  }
}

}  // namespace
