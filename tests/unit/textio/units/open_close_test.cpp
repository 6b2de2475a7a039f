// Tests of open, close and the existence test on real files in a scratch directory; open
// failures that end the run are watched on the test driver as a real child process.
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
using testsupport::makeImmutable;
using testsupport::makeMutable;
using testsupport::readAllLines;
using testsupport::readFile;
using testsupport::runChild;
using testsupport::ScratchDir;
using testsupport::writeFile;
using testsupport::writeRecord;

TEST(InquireExists, AnswersForFilesDirectoriesDevicesAndBlankNames) {
  ScratchDir dir;
  writeFile(dir.file("present.gro"), "x");
  ::mkdir(dir.file("sub").c_str(), 0755);
  struct Case {
    std::string name;
    bool exists;
  };
  const Case cases[] = {
      {dir.file("present.gro"), true},
      {"  " + dir.file("present.gro") + "   ", true},
      {dir.file("sub/../present.gro"), true},
      {dir.file("sub"), true},
      {dir.file("missing.gro"), false},
      {dir.file("present.gro/x"), false},
      {"", false},
      {std::string(80, ' '), false},
      {"NUL", true},
      {"nul", true},
      {"nul.txt", true},
      {"CON", true},
      {"CONIN$", true},
      {dir.file("nul"), false},  // a path, not a device name
  };
  for (const Case& c : cases) EXPECT_EQ(textio::units::inquireExists(c.name), c.exists) << c.name;
}

TEST(InquireExists, KnowsTheNameOfAConnectedUnitEvenWhenTheFileIsGone) {
  ScratchDir dir;
  const std::string name = dir.file("held.gro");
  writeFile(name, "x\n");
  textio::units::openUnit(30, name, "OLD");
  ::unlink(name.c_str());
  EXPECT_TRUE(textio::units::inquireExists(name));
  EXPECT_TRUE(textio::units::inquireExists("  " + name));
  textio::units::closeUnit(30);
  EXPECT_FALSE(textio::units::inquireExists(name));
}

TEST(OpenUnit, ConnectsUnderTheFullPathForEveryStatusWord) {
  ScratchDir dir;
  writeFile(dir.file("old.gro"), "content\n");
  struct Case {
    std::string file;
    const char* status;
    const char* access;
    std::string contentAfter;
  };
  const Case cases[] = {
      {"old.gro", "OLD", "SEQUENTIAL", "content\n"},
      {"old.gro", "old   ", "sequential ", "content\n"},
      {"old.gro", "UNKNOWN", "", "content\n"},
      {"old.gro", "", "", "content\n"},
      {"new.gro", "NEW", "", ""},
      {"unknown.gro", "unknown", "", ""},
      {"replaced.gro", "Replace", "", ""},
      {"old.gro", "OLD", "DIRECT", "content\n"},
      {"old.gro", "OLD", "keyed", "content\n"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file(c.file);
    textio::units::openUnit(31, path, c.status, c.access);
    const textio::units::UnitEntry* entry = textio::units::findUnit(31);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->connected);
    EXPECT_EQ(entry->name, path);
    EXPECT_FALSE(entry->readOnly);
    textio::units::closeUnit(31);
    EXPECT_FALSE(entry->connected);
    EXPECT_TRUE(entry->name.empty());
    EXPECT_EQ(readFile(path), c.contentAfter) << c.file << " " << c.status;
  }
}

TEST(OpenUnit, ReplaceTruncatesInPlaceKeepingTheInode) {
  ScratchDir dir;
  const std::string name = dir.file("result.gro");
  writeFile(name, "old content that must go\n");
  struct stat before {};
  ASSERT_EQ(::stat(name.c_str(), &before), 0);
  textio::units::openUnit(32, name, "REPLACE");
  struct stat during {};
  ASSERT_EQ(::stat(name.c_str(), &during), 0);
  EXPECT_EQ(during.st_size, 0);
  EXPECT_EQ(during.st_ino, before.st_ino);
  writeRecord(32, "new");
  textio::units::closeUnit(32);
  EXPECT_EQ(readFile(name), "new\r\n");
  struct stat after {};
  ASSERT_EQ(::stat(name.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST(OpenUnit, AppendAccessWritesAfterTheContent) {
  ScratchDir dir;
  const std::string name = dir.file("log.txt");
  writeFile(name, "one\r\n");
  textio::units::openUnit(33, name, "OLD", "APPEND");
  writeRecord(33, "two");
  textio::units::closeUnit(33);
  EXPECT_EQ(readFile(name), "one\r\ntwo\r\n");
}

TEST(OpenUnit, OpeningAConnectedUnitAgainClosesTheFirstFile) {
  ScratchDir dir;
  textio::units::openUnit(34, dir.file("a"), "REPLACE");
  writeRecord(34, "in a", true);
  textio::units::openUnit(34, dir.file("b"), "REPLACE");
  writeRecord(34, "in b");
  textio::units::closeUnit(34);
  EXPECT_EQ(readFile(dir.file("a")), "in a\r\n");
  EXPECT_EQ(readFile(dir.file("b")), "in b\r\n");
}

TEST(OpenUnit, NulIsTheNullDevice) {
  textio::units::openUnit(35, "nul.txt", "REPLACE");
  const textio::units::UnitEntry* entry = textio::units::findUnit(35);
  EXPECT_TRUE(entry->nullDevice);
  EXPECT_EQ(entry->name, "nul");
  writeRecord(35, "vanishes");
  textio::units::closeUnit(35);
  EXPECT_FALSE(entry->connected);
}

TEST(OpenUnit, AnImmutableFileFallsBackToReadAccess) {
  ScratchDir dir;
  const std::string name = dir.file("frozen.gro");
  writeFile(name, "line 1\nline 2\n");
  if (!makeImmutable(name)) GTEST_SKIP() << "chattr +i is not available here";
  textio::units::openUnit(36, name, "OLD", "SEQUENTIAL");
  const textio::units::UnitEntry* entry = textio::units::findUnit(36);
  EXPECT_TRUE(entry->readOnly);
  EXPECT_EQ(readAllLines(36), (std::vector<std::string>{"line 1", "line 2"}));
  textio::units::closeUnit(36);
  makeMutable(name);
}

TEST(CloseUnit, ANeverOpenedUnitIsLeftAlone) {
  textio::units::closeUnit(17017);
  const textio::units::UnitEntry* entry = textio::units::findUnit(17017);
  EXPECT_TRUE(entry == nullptr || !entry->connected);
  // The same in a real run: no output, no report, the run goes on.
  ChildResult result = runChild({"close-never", "17"});
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "continued\n");
  EXPECT_EQ(result.err, "");
}

TEST(CloseUnit, CompletesAPendingRecord) {
  ScratchDir dir;
  const std::string name = dir.file("list.ndx");
  textio::units::openUnit(37, name, "REPLACE");
  writeRecord(37, "[selected-atoms]");
  writeRecord(37, "     1", true);
  writeRecord(37, "     2", true);
  textio::units::closeUnit(37);
  EXPECT_EQ(readFile(name), "[selected-atoms]\r\n     1     2\r\n");
}

TEST(OpenFailures, EndTheRunWithTheirReport) {
  ScratchDir dir;
  writeFile(dir.file("exists.gro"), "x");
  const std::string longName(300, 'n');
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string firstLine;
  };
  const Case cases[] = {
      {{"open", "10", dir.file("missing.gro"), "OLD", "SEQUENTIAL"},
       29,
       "forrtl: severe (29): file not found, unit 10, file " + dir.file("missing.gro") + "\r\n"},
      {{"open", "10", "  " + dir.path() + "/", "OLD"},
       9,
       "forrtl: severe (9): permission to access file denied, unit 10, file " + dir.path() +
           "\r\n"},
      {{"open", "15", dir.path(), "REPLACE"},
       9,
       "forrtl: severe (9): permission to access file denied, unit 15, file " + dir.path() +
           "\r\n"},
      {{"open", "15", dir.file("exists.gro"), "NEW"},
       10,
       "forrtl: severe (10): cannot overwrite existing file, unit 15, file " +
           dir.file("exists.gro") + "\r\n"},
      {{"open", "15", dir.file("exists.gro"), "KEEP"},
       45,
       "forrtl: severe (45): Message not found\n"},
      {{"open", "15", dir.file("exists.gro"), "OLD", "STREAM"},
       45,
       "forrtl: severe (45): Message not found\n"},
      // Too long to be made absolute, the name stays relative; the platform refuses it.
      {{"open", "10", longName, "OLD"},
       43,
       "forrtl: severe (43): file name specification error, unit 10, file " +
           std::string(256, 'n') + "\r\n"},
  };
  for (const Case& c : cases) {
    ChildResult result = runChild(c.arguments, ChildOptions().inDirectory(dir.path()));
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, c.status) << c.firstLine;
    EXPECT_EQ(firstLine(result.err), c.firstLine);
    EXPECT_NE(result.err.find("Image              PC"), std::string::npos);
    EXPECT_EQ(result.out, "");
  }
}

TEST(OpenFailures, ReplaceOnAnImmutableFileReportsTheTruncation) {
  ScratchDir dir;
  const std::string name = dir.file("result.gro");
  writeFile(name, "unchanged\n");
  if (!makeImmutable(name)) GTEST_SKIP() << "chattr +i is not available here";
  ChildResult result = runChild({"open", "15", name, "REPLACE"});
  makeMutable(name);
  EXPECT_EQ(result.status, 38);
  EXPECT_EQ(result.err.substr(0, result.err.find("Image")),
            "forrtl: Operation not permitted\r\n"
            "forrtl: severe (38): error during write, unit 15, file " +
                name + "\r\n");
  EXPECT_EQ(readFile(name), "unchanged\n");
}

TEST(OpenFailures, AWriteOnAReadOnlyUnitIsRefused) {
  ScratchDir dir;
  const std::string name = dir.file("frozen.txt");
  writeFile(name, "unchanged\n");
  if (!makeImmutable(name)) GTEST_SKIP() << "chattr +i is not available here";
  ChildResult result = runChild({"write", "15", name, "OLD", "text"});
  makeMutable(name);
  EXPECT_EQ(result.status, 47);
  EXPECT_EQ(firstLine(result.err), "forrtl: severe (47): Message not found\n");
  EXPECT_EQ(readFile(name), "unchanged\n");
}

}  // namespace
