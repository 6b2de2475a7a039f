// Tests of report texts: catalogue texts, the report line and system line, the traceback
// table, and the environment switch.
#include "textio/reports/report_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "report_lines.h"

namespace {

using testsupport::frameRoutine;
using testsupport::linesOf;
using textio::reports::errorCode;
using textio::reports::infoCode;
using textio::reports::ReportArguments;
using textio::reports::severeCode;

TEST(ReportTemplate, HoldsTheTextsOfTheReportsThisToolCanMeet) {
  struct Case {
    textio::reports::ReportCode code;
    const char* text;
  };
  const Case cases[] = {
      {0, "operation completed successfully\r\n"},
      {severeCode(9), "permission to access file denied, unit %d, file %s\r\n"},
      {severeCode(10), "cannot overwrite existing file, unit %d, file %s\r\n"},
      {severeCode(22), "input record too long, unit %d, file %s\r\n"},
      {severeCode(24), "end-of-file during read, unit %d, file %s\r\n"},
      {severeCode(28), "CLOSE error, unit %d, file %s\r\n"},
      {severeCode(29), "file not found, unit %d, file %s\r\n"},
      {severeCode(30), "open failure, unit %d, file %s\r\n"},
      {severeCode(38), "error during write, unit %d, file %s\r\n"},
      {severeCode(39), "error during read, unit %d, file %s\r\n"},
      {severeCode(40), "recursive I/O operation, unit %d, file %s\r\n"},
      {severeCode(41), "insufficient virtual memory\r\n"},
      {severeCode(42), "no such device, unit %d, file %s\r\n"},
      {severeCode(43), "file name specification error, unit %d, file %s\r\n"},
      {severeCode(59), "list-directed I/O syntax error, unit %d, file %s\r\n"},
      {errorCode(63), "output conversion error, unit %d, file %s\r\n"},
      {severeCode(64), "input conversion error, unit %d, file %s\r\n"},
      {severeCode(66), "output statement overflows record, unit %d, file %s\r\n"},
      {severeCode(67), "input statement requires too much data, unit %d, file %s\r\n"},
      {severeCode(151), "allocatable array is already allocated\r\n"},
      {errorCode(200), "program aborting due to %s event\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(textio::reports::reportTemplate(c.code), c.text) << c.code;
}

TEST(ReportTemplate, AnyOtherCodeIsMessageNotFound) {
  // Looked up by the exact 32-bit code: the right number with another severity is absent.
  const textio::reports::ReportCode codes[] = {
      severeCode(45),  severeCode(47), severeCode(63), errorCode(24), infoCode(24), severeCode(0),
      severeCode(200), severeCode(1),  0xC0010018u,    0x00000018u,   0xFFFFFFFFu,  infoCode(1),
  };
  for (textio::reports::ReportCode code : codes) {
    EXPECT_EQ(textio::reports::reportTemplate(code), "Message not found\n") << std::hex << code;
  }
}

TEST(ReportText, LabelNumberAndFilledTemplate) {
  struct Case {
    textio::reports::ReportCode code;
    ReportArguments arguments;
    int unit;
    std::string file;
    int systemError;
    std::string expected;
  };
  const Case cases[] = {
      {severeCode(24), ReportArguments::UnitAndFile, 10, "/data/water.gro", 0,
       "forrtl: severe (24): end-of-file during read, unit 10, file /data/water.gro\r\n"},
      {severeCode(59), ReportArguments::UnitAndFile, -4, "CONIN$", 0,
       "forrtl: severe (59): list-directed I/O syntax error, unit -4, file CONIN$\r\n"},
      {severeCode(41), ReportArguments::None, 0, "", 0,
       "forrtl: severe (41): insufficient virtual memory\r\n"},
      {errorCode(200), ReportArguments::Text, 0, "control-BREAK", 0,
       "forrtl: error (200): program aborting due to control-BREAK event\r\n"},
      {0, ReportArguments::None, 0, "", 0, "forrtl (0): operation completed successfully\r\n"},
      {infoCode(5), ReportArguments::UnitAndFile, 1, "f", 0,
       "forrtl: info (5): Message not found\n"},
      {severeCode(45), ReportArguments::UnitAndFile, 15, "/r.gro", 0,
       "forrtl: severe (45): Message not found\n"},
      // A file name is copied as it stands, never read as a format.
      {severeCode(29), ReportArguments::UnitAndFile, 2147483647, "/a/%s%d%%", 0,
       "forrtl: severe (29): file not found, unit 2147483647, file /a/%s%d%%\r\n"},
      {severeCode(29), ReportArguments::UnitAndFile, -2147483647 - 1, "", 0,
       "forrtl: severe (29): file not found, unit -2147483648, file \r\n"},
      // The system line comes first.
      {severeCode(38), ReportArguments::UnitAndFile, 15, "/w/result.gro", ENOSPC,
       "forrtl: No space left on device\r\n"
       "forrtl: severe (38): error during write, unit 15, file /w/result.gro\r\n"},
      {severeCode(30), ReportArguments::UnitAndFile, 10, "/x", 123456,
       "forrtl: FormatMessage failed for sysmem message number 123456\r\n"
       "forrtl: severe (30): open failure, unit 10, file /x\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textio::reports::reportText(c.code, c.arguments, c.unit, c.file, c.systemError),
              c.expected);
  }
}

[[gnu::noinline]] std::string tracebackBelow(int depth) {
  if (depth == 0) return textio::reports::tracebackText();
  std::string text = tracebackBelow(depth - 1);
  asm volatile("" ::: "memory");  // a real frame per level
  return text;
}

TEST(Traceback, HeadingAndFrameLayout) {
  std::vector<std::string> lines = linesOf(tracebackBelow(0));
  ASSERT_GE(lines.size(), 2u);
  // "%-19.19s%-10.10s%-19.19s%-12.12s%-19.19s" with the five titles, worked by hand.
  EXPECT_EQ(lines[0], "Image" + std::string(14, ' ') + "PC" + std::string(8, ' ') + "Routine" +
                          std::string(12, ' ') + "Line" + std::string(8, ' ') + "Source" +
                          std::string(13, ' '));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_TRUE(frameRoutine(lines[i])) << '"' << lines[i] << '"';
  }
  // The innermost frame is in this executable (its image name has no directory).
  EXPECT_EQ(lines[1].substr(0, 17), "report_text_test ");
}

TEST(Traceback, ShowsAtMostTwentyFrames) {
  EXPECT_EQ(linesOf(tracebackBelow(40)).size(), 21u);
  EXPECT_EQ(linesOf(tracebackBelow(60)).size(), 21u);
}

TEST(Traceback, EachLineEndsWithABareLineFeed) {
  std::string text = tracebackBelow(0);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.back(), '\n');
}

TEST(EnvironmentSwitch, SetValuesAndUnsetValues) {
  struct Case {
    const char* value;  // nullptr: the variable is not defined
    bool set;
  };
  const Case cases[] = {
      {"TRUE", true},   {"true", true}, {"T", true},      {"yes", true}, {"Y", true},
      {"yellow", true}, {"1", true},    {"12", true},     {"007", true}, {"0", false},
      {"00", false},    {"", false},    {"false", false}, {"no", false}, {"N", false},
      {"1a", false},    {" 1", false},  {"-1", false},    {"+1", false}, {nullptr, false},
  };
  for (const Case& c : cases) {
    if (c.value == nullptr) {
      ::unsetenv("GRO_REPORT_TEST_SWITCH");
    } else {
      ::setenv("GRO_REPORT_TEST_SWITCH", c.value, 1);
    }
    EXPECT_EQ(textio::reports::environmentSwitch("GRO_REPORT_TEST_SWITCH"), c.set)
        << (c.value == nullptr ? "(not defined)" : c.value);
  }
  ::unsetenv("GRO_REPORT_TEST_SWITCH");
}

}  // namespace
