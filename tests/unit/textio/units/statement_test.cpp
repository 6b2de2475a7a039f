// Tests of statements on units: pending records completed or continued by the next statement
// on the unit or on another unit of its file, and a recursive statement.
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

using testsupport::ChildResult;
using testsupport::firstLine;
using testsupport::readFile;
using testsupport::runChild;
using testsupport::ScratchDir;
using testsupport::writeRecord;
using textio::units::StatementKind;

TEST(PendingRecord, AWriteOnTheSameUnitContinuesIt) {
  ScratchDir dir;
  const std::string name = dir.file("cont.txt");
  textio::units::openUnit(44, name, "REPLACE");
  writeRecord(44, "ab", true);
  writeRecord(44, "cd");
  textio::units::closeUnit(44);
  EXPECT_EQ(readFile(name), "abcd\r\n");
}

TEST(PendingRecord, AReadOnTheSameUnitCompletesItFirst) {
  ScratchDir dir;
  const std::string name = dir.file("rw.txt");
  textio::units::openUnit(45, name, "REPLACE");
  writeRecord(45, "open line", true);
  {
    textio::units::Statement read(45, StatementKind::Read);
    EXPECT_FALSE(read.unit().pending);
    EXPECT_EQ(readFile(name), "open line\r\n");
  }
  textio::units::closeUnit(45);
  EXPECT_EQ(readFile(name), "open line\r\n");
}

TEST(PendingRecord, AStatementOnAnotherUnitOfTheSameFileCompletesIt) {
  ScratchDir dir;
  const std::string name = dir.file("shared.txt");
  textio::units::openUnit(46, name, "REPLACE");
  writeRecord(46, "pending", true);
  textio::units::openUnit(47, name, "OLD");
  EXPECT_FALSE(textio::units::findUnit(46)->pending);
  EXPECT_EQ(readFile(name), "pending\r\n");
  // An inquiry leaves a pending record alone.
  writeRecord(46, "again", true);
  { textio::units::Statement inquiry(47, StatementKind::Inquiry); }
  EXPECT_TRUE(textio::units::findUnit(46)->pending);
  textio::units::closeUnit(47);
  textio::units::closeUnit(46);
}

TEST(PendingRecord, AWriteOnAnotherConnectedUnitOfTheFileCompletesIt) {
  // Unit numbers near zero and far from it (the table finds both kinds its own way).
  for (const auto& [first, second] : {std::pair{48, 49}, std::pair{-300, 100000}}) {
    ScratchDir dir;
    const std::string name = dir.file("shared.txt");
    const std::string other = dir.file("other.txt");
    textio::units::openUnit(first, name, "REPLACE");
    textio::units::openUnit(second, name, "OLD");
    writeRecord(first, "first", true);
    // The write on the other unit of the file hands the pending record to the file first
    // (its own record stays in its buffer until its close).
    writeRecord(second, "second");
    EXPECT_FALSE(textio::units::findUnit(first)->pending);
    EXPECT_EQ(readFile(name), "first\r\n");
    // Once the other unit is on another file, the pending record waits for its own unit.
    textio::units::closeUnit(second);
    textio::units::openUnit(second, other, "REPLACE");
    writeRecord(first, "third", true);
    writeRecord(second, "elsewhere");
    EXPECT_TRUE(textio::units::findUnit(first)->pending);
    textio::units::closeUnit(second);
    EXPECT_TRUE(textio::units::findUnit(first)->pending);
    EXPECT_EQ(readFile(other), "elsewhere\r\n");
    textio::units::closeUnit(first);
  }
}

TEST(StatementFailures, ARecursiveStatementIsReport40) {
  ScratchDir dir;
  const std::string name = dir.file("r.txt");
  ChildResult result = runChild({"recursive", name});
  EXPECT_EQ(result.status, 40);
  EXPECT_EQ(firstLine(result.err),
            "forrtl: severe (40): recursive I/O operation, unit 15, file " + name + "\r\n");
}

}  // namespace
