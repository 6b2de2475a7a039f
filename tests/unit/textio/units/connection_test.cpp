// Tests of the connection at first use: the console units on the standard streams, or on the
// files FOR_READ and FOR_PRINT name; watched on the test driver as a real child process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"
#include "textio/units/unit.h"
#include "unit_files.h"

namespace {

using testsupport::ChildOptions;
using testsupport::ChildResult;
using testsupport::firstLine;
using testsupport::readFile;
using testsupport::runChild;
using testsupport::ScratchDir;
using testsupport::writeFile;

TEST(ConsoleUnits, ReadStandardInputAndWriteStandardOutput) {
  ChildResult result = runChild({"echo"}, ChildOptions().withInput("one\r\n  two  \n\nlast"));
  EXPECT_EQ(result.out, "[one]\r\n[  two  ]\r\n[]\r\n[last]\r\nend\r\n");
  EXPECT_EQ(result.status, 24);
  EXPECT_EQ(firstLine(result.err),
            "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$\r\n");
}

TEST(ConsoleUnits, ALoneCtrlZLineEndsTheInput) {
  ChildResult result = runChild({"echo"}, ChildOptions().withInput("a\n\x1a\nnever\n"));
  EXPECT_EQ(result.out, "[a]\r\nend\r\n");
  EXPECT_EQ(result.status, 24);
}

TEST(ConsoleUnits, ForReadAndForPrintConnectThemToFiles) {
  ScratchDir dir;
  writeFile(dir.file("answers.txt"), "water.gro\n1\n");
  ChildResult result = runChild({"echo"}, ChildOptions()
                                              .withEnvironment("FOR_READ=answers.txt")
                                              .withEnvironment("FOR_PRINT= log.txt")
                                              .inDirectory(dir.path())
                                              .withInput("not read\n"));
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(readFile(dir.file("log.txt")), "[water.gro]\r\n[1]\r\nend\r\n");
  EXPECT_EQ(result.status, 24);
  EXPECT_EQ(firstLine(result.err), "forrtl: severe (24): end-of-file during read, unit -4, file " +
                                       dir.file("answers.txt") + "\r\n");
}

TEST(ConsoleUnits, AMissingForReadFileIsReport29) {
  ScratchDir dir;
  ChildResult result = runChild(
      {"echo"}, ChildOptions().withEnvironment("FOR_READ=none.txt").inDirectory(dir.path()));
  EXPECT_EQ(result.status, 29);
  EXPECT_EQ(firstLine(result.err),
            "forrtl: severe (29): file not found, unit -4, file " + dir.file("none.txt") + "\r\n");
}

TEST(ConsoleUnits, AnEmptyForPrintMeansTheConsole) {
  ChildResult result =
      runChild({"echo"}, ChildOptions().withEnvironment("FOR_PRINT=").withInput("x\n"));
  EXPECT_EQ(result.out, "[x]\r\nend\r\n");
}

}  // namespace
