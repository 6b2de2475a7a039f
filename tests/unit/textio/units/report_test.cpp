// Tests of issuing reports in a real run of the test driver: the report stream, FORT0, the
// diagnostic log, the display and traceback switches and the exit status.
#include "textio/units/report.h"

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

using testsupport::ChildOptions;
using testsupport::ChildResult;
using testsupport::frameRoutine;
using testsupport::linesOf;
using testsupport::readFile;
using testsupport::runChild;
using testsupport::ScratchDir;
using testsupport::writeFile;

const std::string kEndOfFileLine =
    "forrtl: severe (24): end-of-file during read, unit 10, file /data/water.gro\r\n";

ChildResult reportEndOfFile(ChildOptions options = {}) {
  return runChild({"report", "severe", "24", "10", "/data/water.gro"}, options);
}

TEST(ReportRun, SevereReportWithTracebackEndsWithTheReportNumber) {
  ChildResult result = reportEndOfFile();
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.status, 24);
  EXPECT_EQ(result.out, "");
  ASSERT_EQ(result.err.substr(0, kEndOfFileLine.size()), kEndOfFileLine);
  std::vector<std::string> lines = linesOf(result.err.substr(kEndOfFileLine.size()));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 21), "Image              PC");
  EXPECT_LE(lines.size(), 21u);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_TRUE(frameRoutine(lines[i])) << lines[i];
  }
}

TEST(ReportRun, TheTracebackNamesRoutinesAndStopsAtTwentyFrames) {
  ChildResult result = runChild({"deep-report", "40"});
  EXPECT_EQ(result.status, 41);
  std::vector<std::string> lines = linesOf(result.err);
  ASSERT_EQ(lines.size(), 22u);  // report line, heading, 20 frames
  EXPECT_EQ(lines[0], "forrtl: severe (41): insufficient virtual memory\r");
  EXPECT_EQ(lines[2].substr(0, 17), "textio_child     ");
  // The driver exports its symbols: the routine column names the recursion.
  EXPECT_EQ(frameRoutine(lines[21]), std::optional<std::string>("nestedReport     "));
}

TEST(ReportRun, TracebackSwitchLeavesOnlyTheReportLine) {
  for (const char* value : {"TRUE", "1", "y"}) {
    ChildResult result = reportEndOfFile(
        ChildOptions().withEnvironment(std::string("FOR_DISABLE_STACK_TRACE=") + value));
    EXPECT_EQ(result.err, kEndOfFileLine) << value;
    EXPECT_EQ(result.status, 24);
  }
  ChildResult notSet = reportEndOfFile(ChildOptions().withEnvironment("FOR_DISABLE_STACK_TRACE=0"));
  EXPECT_NE(notSet.err.find("Image"), std::string::npos);
}

TEST(ReportRun, FullSourceSwitchKeepsUnknownSources) {
  ChildResult result = reportEndOfFile(ChildOptions().withEnvironment("FOR_FULL_SRC_FILE_SPEC=1"));
  std::vector<std::string> lines = linesOf(result.err);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2].substr(lines[2].size() - 7), "Unknown");
}

TEST(ReportRun, ErrorAndInfoSeveritiesReturn) {
  struct Case {
    std::vector<std::string> arguments;
    std::string err;
  };
  const Case cases[] = {
      {{"report-text", "error", "200", "window-CLOSE"},
       "forrtl: error (200): program aborting due to window-CLOSE event\r\n"},
      {{"report", "error", "63", "15", "/o.gro"},
       "forrtl: error (63): output conversion error, unit 15, file /o.gro\r\n"},
      {{"report", "info", "7", "15", "/o.gro"}, "forrtl: info (7): Message not found\n"},
  };
  for (const Case& c : cases) {
    ChildResult result = runChild(c.arguments);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.out, "returned\n");
    EXPECT_EQ(result.status, 0);
  }
}

TEST(ReportRun, ExitStatusIsTheLowByteOfTheCode) {
  struct Case {
    const char* number;
    int status;
  };
  const Case cases[] = {{"9", 9}, {"29", 29}, {"64", 64}, {"151", 151}, {"300", 300 & 0xFF}};
  for (const Case& c : cases) {
    ChildResult result = runChild({"report-none", "severe", c.number},
                                  ChildOptions().withEnvironment("FOR_DISABLE_STACK_TRACE=1"));
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, c.status) << c.number;
  }
}

TEST(ReportRun, TheSystemLineComesBeforeTheReport) {
  ChildResult result =
      runChild({"report", "severe", "38", "15", "/w/r.gro", std::to_string(ENOSPC)},
               ChildOptions().withEnvironment("FOR_DISABLE_STACK_TRACE=1"));
  EXPECT_EQ(result.err,
            "forrtl: No space left on device\r\n"
            "forrtl: severe (38): error during write, unit 15, file /w/r.gro\r\n");
  EXPECT_EQ(result.status, 38);
}

TEST(ReportRun, Fort0AppendsTheReportsToItsFile) {
  ScratchDir dir;
  writeFile(dir.file("fort0.txt"), "earlier\n");
  ChildOptions options = ChildOptions()
                             .withEnvironment("FORT0=fort0.txt")
                             .withEnvironment("FOR_DISABLE_STACK_TRACE=yes")
                             .inDirectory(dir.path());
  ChildResult result = reportEndOfFile(options);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 24);
  EXPECT_EQ(readFile(dir.file("fort0.txt")), "earlier\n" + kEndOfFileLine);
  reportEndOfFile(options);
  EXPECT_EQ(readFile(dir.file("fort0.txt")), "earlier\n" + kEndOfFileLine + kEndOfFileLine);
}

TEST(ReportRun, AnUnusableFort0LeavesReportsOnStandardError) {
  ScratchDir dir;
  ChildResult result = reportEndOfFile(ChildOptions()
                                           .withEnvironment("FORT0=" + dir.file("no/such/dir"))
                                           .withEnvironment("FOR_DISABLE_STACK_TRACE=1"));
  EXPECT_EQ(result.err, kEndOfFileLine);
}

TEST(ReportRun, TheDiagnosticLogGetsEveryReportToo) {
  ScratchDir dir;
  const std::string log = dir.file("diag.log");
  ChildOptions options = ChildOptions().withEnvironment("FOR_DIAGNOSTIC_LOG_FILE=" + log);
  ChildResult first = reportEndOfFile(options);
  EXPECT_EQ(first.status, 24);
  EXPECT_EQ(readFile(log), first.err);  // the same text, traceback included
  EXPECT_EQ(first.err.substr(0, kEndOfFileLine.size()), kEndOfFileLine);
  ChildResult second = reportEndOfFile(options);
  EXPECT_EQ(readFile(log), first.err + second.err);
}

TEST(ReportRun, TheDisplaySwitchSilencesTheReportStreamButNotTheLog) {
  ScratchDir dir;
  const std::string log = dir.file("diag.log");
  ChildResult result = reportEndOfFile(ChildOptions()
                                           .withEnvironment("FOR_DISABLE_DIAGNOSTIC_DISPLAY=TRUE")
                                           .withEnvironment("FOR_DIAGNOSTIC_LOG_FILE=" + log)
                                           .withEnvironment("FOR_DISABLE_STACK_TRACE=1"));
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 24);
  EXPECT_EQ(readFile(log), kEndOfFileLine);

  ChildResult shown = reportEndOfFile(ChildOptions()
                                          .withEnvironment("FOR_DISABLE_DIAGNOSTIC_DISPLAY=no")
                                          .withEnvironment("FOR_DISABLE_STACK_TRACE=1"));
  EXPECT_EQ(shown.err, kEndOfFileLine);
}

}  // namespace
