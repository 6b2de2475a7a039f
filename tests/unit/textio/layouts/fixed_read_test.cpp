// Tests of the fixed-layout read statements on real files in a scratch directory: lines read
// by columns, written lines read back, the return requests, and the reports that end a run
// without them.
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
#include "textio/freeform/free_form.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/units/unit.h"

namespace {

// Layouts the tool does not use, for the rules the tool's own layouts cannot show.
constexpr std::array kI11{textio::layouts::fieldI(11)};
constexpr std::array kTwoI5{textio::layouts::fieldI(5, 2)};
constexpr std::array kTwoF8_3{textio::layouts::fieldF(8, 3, 2)};
constexpr std::array kF8_3{textio::layouts::fieldF(8, 3)};
constexpr std::array kA5I5{textio::layouts::fieldA(5), textio::layouts::fieldI(5)};

// ---------------------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------------------

TEST_F(FixedUnits, ReadsIntegerFieldsByColumns) {
  struct Case {
    std::string line;
    std::int32_t value;
    int status;
  };
  const Case cases[] = {
      {"  1 2", 12, 0},
      {"  216", 216, 0},
      {"216", 216, 0},          // a short line is padded with blanks
      {"  216 atoms", 216, 0},  // columns after the field are ignored
      {"12345678", 12345, 0},   // only the field's five columns
      {"", 0, 0},
      {"\r", 0, 0},  // a lone carriage return before the line feed is dropped
      {"   ab", 0, 64},
      {"  1.5", 0, 64},
      {" - 7", -7, 0},
      {"1,234", 1, 0},  // a comma ends the field
  };
  for (const Case& c : cases) {
    openInput(c.line + "\n");
    std::int32_t value = 99;
    EXPECT_EQ(readFixed(kIn, layouts::kI5, {&value}, kEnd, kError), c.status) << c.line;
    EXPECT_EQ(value, c.value) << "\"" << c.line << "\"";
    textio::units::closeUnit(kIn);
  }
}

TEST_F(FixedUnits, IntegerFieldLimits) {
  openInput("-2147483648\n 2147483647\n 2147483648\n-2147483649\n");
  std::int32_t value = 1;
  EXPECT_EQ(readFixed(kIn, kI11, {&value}, kEnd, kError), 0);
  EXPECT_EQ(value, std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(readFixed(kIn, kI11, {&value}, kEnd, kError), 0);
  EXPECT_EQ(value, std::numeric_limits<std::int32_t>::max());
  value = 1;
  EXPECT_EQ(readFixed(kIn, kI11, {&value}, kEnd, kError), 64);
  EXPECT_EQ(value, 0);
  value = 1;
  EXPECT_EQ(readFixed(kIn, kI11, {&value}, kEnd, kError), 64);
  EXPECT_EQ(value, 0);
}

TEST_F(FixedUnits, ReadsRealFieldsByColumns) {
  struct Case {
    std::string line;
    float value;
    int status;
  };
  const Case cases[] = {
      {"-1.5e+02", -150.0f, 0},
      {"   1.5d2", 150.0f, 0},
      {"    1234", 1.234f, 0},
      {"   1.234", 1.234f, 0},
      {" 1.2.3  ", 1.2f, 64},
      {"   1.5-3", 0.0015f, 0},
      {"  -0.000", -0.0f, 0},
      {"1.5", 1.5f, 0},            // short line
      {"    1234567", 1.234f, 0},  // columns 9 on are not part of the field
      {"     Inf", std::numeric_limits<float>::infinity(), 0},
      {"   Inf", std::numeric_limits<float>::infinity(), 64},  // padded: blanks after the word
      {"   Inf,", std::numeric_limits<float>::infinity(), 0},  // the comma ends the field
  };
  for (const Case& c : cases) {
    openInput(c.line + "\n");
    float value = 42.0f;
    EXPECT_EQ(readFixed(kIn, kF8_3, {&value}, kEnd, kError), c.status) << c.line;
    EXPECT_EQ(value, c.value) << "\"" << c.line << "\"";
    EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << "\"" << c.line << "\"";
    textio::units::closeUnit(kIn);
  }
}

TEST_F(FixedUnits, NanWordsByColumns) {
  openInput("     NaN\n   NaN\nNaN     \n");
  float value = 0.0f;
  EXPECT_EQ(readFixed(kIn, kF8_3, {&value}, kEnd, kError), 0);
  EXPECT_TRUE(std::isnan(value));
  EXPECT_EQ(readFixed(kIn, kF8_3, {&value}, kEnd, kError), 64);
  EXPECT_EQ(readFixed(kIn, kF8_3, {&value}, kEnd, kError), 64);
}

TEST_F(FixedUnits, CommaEndsNumericFieldsEarly) {
  openInput("   1,5  \n1,2\na,b,c   12\n");
  float first = 9.0f;
  float second = 9.0f;
  // The first field is "   1" (no point: 0.001); the second begins at the 5.
  EXPECT_EQ(readFixed(kIn, kTwoF8_3, {&first, &second}), 0);
  EXPECT_EQ(first, 0.001f);
  EXPECT_EQ(second, 0.005f);
  std::int32_t a = 9;
  std::int32_t b = 9;
  EXPECT_EQ(readFixed(kIn, kTwoI5, {&a, &b}), 0);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  // Not in an A field.
  char text[5];
  std::int32_t n = 0;
  EXPECT_EQ(readFixed(kIn, kA5I5, {std::span<char>(text), &n}), 0);
  EXPECT_EQ(std::string(text, 5), "a,b,c");
  EXPECT_EQ(n, 12);
}

struct AtomFields {
  std::int32_t residue = -1;
  char residueName[5] = {'?', '?', '?', '?', '?'};
  char atomName[5] = {'?', '?', '?', '?', '?'};
  std::int32_t atom = -1;
  float position[3] = {-7.0f, -7.0f, -7.0f};
  float velocity[3] = {-7.0f, -7.0f, -7.0f};

  int read(ReturnOnEnd onEnd = kEnd, ReturnOnError onError = kError) {
    return readFixed(
        kIn, layouts::kAtomLine,
        {&residue, std::span<char>(residueName), std::span<char>(atomName), &atom, &position[0],
         &position[1], &position[2], &velocity[0], &velocity[1], &velocity[2]},
        onEnd, onError);
  }
  std::string residueText() const { return std::string(residueName, 5); }
  std::string atomText() const { return std::string(atomName, 5); }
};

TEST_F(FixedUnits, ReadsAtomLines) {
  openInput(
      "    1SOL     OW    1   0.126   1.639   1.282 -0.3885  0.5879  0.0000\r\n"
      "    2SOL    HW1    2   0.190   1.661   1.355\r\n"
      "  123LONG NAMEX12345       1       2       3    1 2    -9999\n"
      "\n"
      "    4SOL    HW2    4   0.1x6   1.639   1.282\n"
      "    5SOL    HW3    5   1.000   2.000   3.000");
  AtomFields full;
  EXPECT_EQ(full.read(), 0);
  EXPECT_EQ(full.residue, 1);
  EXPECT_EQ(full.residueText(), "SOL  ");
  EXPECT_EQ(full.atomText(), "   OW");
  EXPECT_EQ(full.atom, 1);
  EXPECT_EQ(full.position[0], 0.126f);
  EXPECT_EQ(full.position[1], 1.639f);
  EXPECT_EQ(full.position[2], 1.282f);
  EXPECT_EQ(full.velocity[0], -0.3885f);
  EXPECT_EQ(full.velocity[1], 0.5879f);
  EXPECT_EQ(full.velocity[2], 0.0f);

  // 44 columns: the velocities are blank and read 0.0 without a failure.
  AtomFields positionsOnly;
  EXPECT_EQ(positionsOnly.read(), 0);
  EXPECT_EQ(positionsOnly.atomText(), "  HW1");
  EXPECT_EQ(positionsOnly.position[2], 1.355f);
  for (const float v : positionsOnly.velocity) EXPECT_EQ(v, 0.0f);

  // Fields without a point are scaled by 10^-3 and 10^-4; blanks inside are ignored.
  AtomFields scaled;
  EXPECT_EQ(scaled.read(), 0);
  EXPECT_EQ(scaled.residue, 123);
  EXPECT_EQ(scaled.residueText(), "LONG ");
  EXPECT_EQ(scaled.atomText(), "NAMEX");
  EXPECT_EQ(scaled.atom, 12345);
  EXPECT_EQ(scaled.position[0], 0.001f);
  EXPECT_EQ(scaled.position[1], 0.002f);
  EXPECT_EQ(scaled.position[2], 0.003f);
  EXPECT_EQ(scaled.velocity[0], 0.0012f);
  EXPECT_EQ(scaled.velocity[1], -0.9999f);
  EXPECT_EQ(scaled.velocity[2], 0.0f);

  // An empty line: every field blank.
  AtomFields empty;
  EXPECT_EQ(empty.read(), 0);
  EXPECT_EQ(empty.residue, 0);
  EXPECT_EQ(empty.residueText(), "     ");
  EXPECT_EQ(empty.position[0], 0.0f);

  // A letter inside x: fields before it converted, x holds what was read before the letter,
  // the items after it keep their values, and the next read takes the next line.
  AtomFields broken;
  EXPECT_EQ(broken.read(), 64);
  EXPECT_EQ(broken.residue, 4);
  EXPECT_EQ(broken.atomText(), "  HW2");
  EXPECT_EQ(broken.atom, 4);
  EXPECT_EQ(broken.position[0], 0.1f);
  EXPECT_EQ(broken.position[1], -7.0f);
  EXPECT_EQ(broken.velocity[2], -7.0f);

  // The last line has no line feed: it is read normally, then the file has ended.
  AtomFields last;
  EXPECT_EQ(last.read(), 0);
  EXPECT_EQ(last.atom, 5);
  EXPECT_EQ(last.position[2], 3.0f);
  AtomFields beyond;
  EXPECT_EQ(beyond.read(), -1);
  EXPECT_EQ(beyond.read(), -1);  // and stays ended
  EXPECT_EQ(beyond.residue, -1);
}

TEST_F(FixedUnits, AFailingIntegerItemIsZeroAndTheLineIsConsumed) {
  openInput("    8  1a2\n    9   10\n");
  std::int32_t a = 5;
  std::int32_t b = 5;
  EXPECT_EQ(readFixed(kIn, kTwoI5, {&a, &b}, kEnd, kError), 64);
  EXPECT_EQ(a, 8);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(readFixed(kIn, kTwoI5, {&a, &b}, kEnd, kError), 0);
  EXPECT_EQ(a, 9);
  EXPECT_EQ(b, 10);
}

TEST_F(FixedUnits, CountReadsPastTheEndOfTheFileReturnMinusOne) {
  // Three atom lines where five were promised: the last two reads return -1, no message.
  openInput(
      "    1SOL     OW    1   0.126   1.639   1.282\n"
      "    1SOL    HW1    2   0.190   1.661   1.355\n"
      "    1SOL    HW2    3   0.177   1.568   1.302\n");
  std::vector<int> statuses;
  for (int i = 0; i < 5; ++i) {
    AtomFields atom;
    statuses.push_back(atom.read());
  }
  EXPECT_EQ(statuses, (std::vector<int>{0, 0, 0, -1, -1}));
}

TEST_F(FixedUnits, ReadsNameAnswersByColumns) {
  struct Case {
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"  OW extra\n", "  OW "}, {"OW\n", "OW   "},    {"\n", "     "},    {"\r\n", "     "},
      {"SOL\r\n", "SOL  "},      {"\tOW\n", "\tOW  "}, {"abcde", "abcde"},
  };
  for (const Case& c : cases) {
    openInput(c.bytes);
    char name[5] = {'?', '?', '?', '?', '?'};
    EXPECT_EQ(readFixed(kIn, layouts::kA5, {std::span<char>(name)}), 0);
    EXPECT_EQ(std::string(name, 5), c.expected);
    textio::units::closeUnit(kIn);
  }
}

TEST_F(FixedUnits, ItemsLeftOverReadTheNextLines) {
  openInput("    1 rest is ignored\n    2\n    3\n    4\n");
  std::int32_t a = 0;
  std::int32_t b = 0;
  std::int32_t c = 0;
  EXPECT_EQ(readFixed(kIn, layouts::kI5, {&a, &b, &c}), 0);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(c, 3);
  // The next statement begins with the next line; the end in the middle of a statement
  // returns -1 after the first item was stored.
  a = 0;
  b = 77;
  EXPECT_EQ(readFixed(kIn, layouts::kI5, {&a, &b}, kEnd), -1);
  EXPECT_EQ(a, 4);
  EXPECT_EQ(b, 77);
}

TEST_F(FixedUnits, EveryReadBeginsANewLineEvenWithoutItems) {
  openInput("first\nsecond\n\x1a\nafter the end mark\n");
  EXPECT_EQ(readFixed(kIn, layouts::kA5, {}), 0);
  char name[5];
  EXPECT_EQ(readFixed(kIn, layouts::kA5, {std::span<char>(name)}), 0);
  EXPECT_EQ(std::string(name, 5), "secon");
  // A line holding only Ctrl+Z is the end of the file.
  EXPECT_EQ(readFixed(kIn, layouts::kA5, {std::span<char>(name)}, kEnd), -1);
}

TEST_F(FixedUnits, WrittenLinesReadBack) {
  openOutput();
  writeFixed(kOut, layouts::kAtomLine,
             {std::int32_t{42}, std::string_view{"ALA  "}, std::string_view{"   CA"},
              std::int32_t{421}, -1.2345f, 2.0005f, 9999.999f, -0.00005f, 1.0f, 2.0f});
  textio::units::closeUnit(kOut);
  textio::units::openUnit(kIn, outputPath(), "OLD", "SEQUENTIAL");
  AtomFields atom;
  EXPECT_EQ(atom.read(), 0);
  EXPECT_EQ(atom.residue, 42);
  EXPECT_EQ(atom.atomText(), "   CA");
  EXPECT_EQ(atom.position[0], -1.235f);  // -1.2345f is stored a little beyond -1.2345
  EXPECT_EQ(atom.position[1], 2.0f);     // 2.0005f is stored a little below 2.0005
  EXPECT_EQ(atom.position[2], 9999.999f);
  EXPECT_EQ(atom.velocity[0], 0.0f);  // -0.00005f is a little smaller than 0.00005 in size:
  EXPECT_FALSE(std::signbit(atom.velocity[0]));  // it rounds to zero, written without a sign
  EXPECT_EQ(atom.velocity[2], 2.0f);
}

// ---------------------------------------------------------------------------------------
// Failures without the return requests end the run with a report
// ---------------------------------------------------------------------------------------

std::string escapeRegex(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (std::string_view(".[]{}()\\*+?|^$").find(c) != std::string_view::npos) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string reportPattern(int report, const char* message, const std::string& file) {
  return "^forrtl: severe \\(" + std::to_string(report) + "\\): " + message + ", unit " +
         std::to_string(kIn) + ", file " + escapeRegex(file) + "\r?\n$";
}

TEST_F(FixedUnits, FailuresWithoutRequestsAreSevereReports) {
  struct Case {
    const char* name;
    std::string bytes;
    int report;
    const char* message;
  };
  const Case cases[] = {
      {"letters in the count", "   ab\n", 64, "input conversion error"},
      {"count beyond 32 bits", "99999999999\n", 64, "input conversion error"},
      {"empty file", "", 24, "end-of-file during read"},
      {"Ctrl+Z line", "\x1a\r\n", 24, "end-of-file during read"},
  };
  for (const Case& c : cases) {
    writeFile(inputPath(), c.bytes);
    EXPECT_EXIT(
        {
          textio::units::openUnit(kIn, inputPath(), "OLD", "SEQUENTIAL");
          std::int32_t count = 0;
          readFixed(kIn, kI11, {&count});
          std::_Exit(0);
        },
        ::testing::ExitedWithCode(c.report), reportPattern(c.report, c.message, inputPath()))
        << c.name;
  }
}

TEST_F(FixedUnits, TheEndInTheMiddleOfAStatementIsReportedWithoutTheRequest) {
  writeFile(inputPath(), "    1\n");
  EXPECT_EXIT(
      {
        textio::units::openUnit(kIn, inputPath(), "OLD", "SEQUENTIAL");
        std::int32_t a = 0;
        std::int32_t b = 0;
        // The error request alone does not cover the end of the file.
        readFixed(kIn, layouts::kI5, {&a, &b}, ReturnOnEnd::No, kError);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(24), reportPattern(24, "end-of-file during read", inputPath()));
}

TEST_F(FixedUnits, AnItemThatDoesNotSuitItsFieldIsNeverSilent) {
  writeFile(inputPath(), "    1\n");
  EXPECT_EXIT(
      {
        textio::units::openUnit(kIn, inputPath(), "OLD", "SEQUENTIAL");
        float wrong = 0.0f;
        readFixed(kIn, layouts::kI5, {&wrong}, kEnd, kError);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(61), "^forrtl: severe \\(61\\)");
  EXPECT_EXIT(
      {
        textio::units::openUnit(kOut, outputPath(), "REPLACE");
        writeFixed(kOut, layouts::kI5, {1.0f});
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(61), "^forrtl: severe \\(61\\)");
}

}  // namespace
