// Tests of line output: records ended with carriage return and line feed, large output handed
// to the file before the close, and a write failure on standard output.
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
using testsupport::readFile;
using testsupport::runChild;
using testsupport::ScratchDir;
using testsupport::writeRecord;

TEST(EndRecord, WritesCompletedRecordsWithCarriageReturnAndLineFeed) {
  ScratchDir dir;
  const std::string name = dir.file("out.txt");
  textio::units::openUnit(42, name, "REPLACE");
  writeRecord(42, "first   ");
  writeRecord(42, "");
  writeRecord(42, " third");
  textio::units::closeUnit(42);
  EXPECT_EQ(readFile(name), "first   \r\n\r\n third\r\n");
}

TEST(EndRecord, HandsLargeOutputToTheFileBeforeTheClose) {
  ScratchDir dir;
  const std::string name = dir.file("large.txt");
  textio::units::openUnit(43, name, "REPLACE");
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string record = "record " + std::to_string(i);
    writeRecord(43, record);
    expected += record + "\r\n";
  }
  struct stat during {};
  ASSERT_EQ(::stat(name.c_str(), &during), 0);
  EXPECT_GT(during.st_size, 0);
  textio::units::closeUnit(43);
  EXPECT_EQ(readFile(name), expected);
}

TEST(WriteFailures, AFullDiskAtTheClosingIsReportedAndTheOtherFilesStillWritten) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not available";
  ScratchDir dir;
  const std::string other = dir.file("other.txt");
  ChildResult result = runChild({"two-files", "/dev/full", other});
  EXPECT_EQ(result.status, 38);
  EXPECT_EQ(result.err.substr(0, result.err.find("Image")),
            "forrtl: No space left on device\r\n"
            "forrtl: severe (38): error during write, unit 15, file /dev/full\r\n");
  EXPECT_EQ(readFile(other), "kept\r\npending\r\n");
}

TEST(WriteFailures, AClosedStandardOutputIsReport38) {
  ChildResult result = runChild({"console", "3"}, ChildOptions().withClosedOutput());
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.status, 38);
  EXPECT_EQ(result.err.substr(0, result.err.find("Image")),
            "forrtl: Broken pipe\r\n"
            "forrtl: severe (38): error during write, unit -1, file CONOUT$\r\n");
}

}  // namespace
