// Tests of units and files: name resolution, the existence test, opening and closing real
// files in a scratch directory, line input and output, pending records; failures that end
// the run are watched on the test driver as a real child process.
#include "textio/unit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"

namespace {

using testsupport::ChildOptions;
using testsupport::ChildResult;
using testsupport::readFile;
using testsupport::runChild;
using testsupport::ScratchDir;
using testsupport::writeFile;
using textio::DeviceKind;
using textio::ReadStatus;
using textio::StatementKind;

std::string workingDirectory() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

void writeRecord(int unit, std::string_view text, bool pending = false) {
  textio::Statement statement(unit, StatementKind::Write);
  textio::UnitEntry& entry = statement.unit();
  entry.record += text;
  if (pending) {
    entry.pending = true;
  } else {
    textio::endRecord(entry);
  }
}

// Every line of the unit up to its end, and whether a second read after the end ends too.
std::vector<std::string> readAllLines(int unit) {
  std::vector<std::string> lines;
  textio::Statement statement(unit, StatementKind::Read);
  std::string_view line;
  for (;;) {
    ReadStatus status = textio::nextRecord(statement.unit(), line);
    if (status != ReadStatus::Ok) {
      EXPECT_EQ(status, ReadStatus::End);
      EXPECT_EQ(textio::nextRecord(statement.unit(), line), ReadStatus::End);
      return lines;
    }
    lines.emplace_back(line);
  }
}

// The first line of standard error: the report line (after a system line, the second).
std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n') + 1); }

// True when chattr could make the file immutable; the caller skips the test otherwise.
bool makeImmutable(const std::string& path) {
  const std::string command = "chattr +i '" + path + "' 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

void makeMutable(const std::string& path) {
  const std::string command = "chattr -i '" + path + "' 2>/dev/null";
  [[maybe_unused]] int ignored = std::system(command.c_str());
}

// --- Name resolution --------------------------------------------------------------------------

TEST(ResolveName, TrimsCutsAndMakesAbsolute) {
  const std::string cwd = workingDirectory();
  const std::string long256(256, 'a');
  struct Case {
    std::string typed;
    std::string expected;
  };
  const Case cases[] = {
      {"water.gro", cwd + "/water.gro"},
      {"   water.gro   ", cwd + "/water.gro"},
      {std::string("water.gro\0\0 \0", 13), cwd + "/water.gro"},
      {"", ""},
      {"          ", ""},
      {std::string("  \0 ", 4), ""},
      {"/a/b/../c", "/a/c"},
      {"  /a/./b//c  ", "/a/b/c"},
      {"/x/../..", "/"},
      {"sub/../x", cwd + "/x"},
      // A tab is not a blank.
      {"\tname", cwd + "/\tname"},
      // At most 256 characters are taken: the blanks after them never count.
      {"/" + std::string(255, 'b') + "cut", "/" + std::string(255, 'b')},
      // A relative name too long to be made absolute within 256 characters stays as typed.
      {long256, long256},
      {long256 + "tail", long256},
  };
  for (const Case& c : cases) {
    textio::ResolvedName got = textio::resolveName(c.typed);
    EXPECT_EQ(got.name, c.expected) << '"' << c.typed << '"';
    EXPECT_FALSE(got.device) << c.typed;
  }
}

TEST(ResolveName, RecognisesConsoleAndNullDeviceNames) {
  struct Case {
    const char* typed;
    const char* name;
    DeviceKind kind;
  };
  const Case cases[] = {
      {"CON", "CON", DeviceKind::ConsoleOutput},
      {"con", "con", DeviceKind::ConsoleOutput},
      {"  Con  ", "Con", DeviceKind::ConsoleOutput},
      {"con.txt", "con", DeviceKind::ConsoleOutput},
      {"USER", "USER", DeviceKind::ConsoleOutput},
      {"CONOUT$", "CONOUT$", DeviceKind::ConsoleOutput},
      {"conin$", "conin$", DeviceKind::ConsoleInput},
      {"ERR", "ERR", DeviceKind::StandardError},
      {"err.", "err", DeviceKind::StandardError},
      {"NUL", "NUL", DeviceKind::NullDevice},
      {"nul.gro", "nul", DeviceKind::NullDevice},
      {"Nul.a.", "Nul.a", DeviceKind::None},  // the part before the last point is "Nul.a"
  };
  for (const Case& c : cases) {
    textio::ResolvedName got = textio::resolveName(c.typed);
    if (c.kind == DeviceKind::None) {
      EXPECT_FALSE(got.device) << c.typed;
      continue;
    }
    EXPECT_TRUE(got.device) << c.typed;
    EXPECT_EQ(got.name, c.name) << c.typed;
    EXPECT_EQ(got.deviceKind, c.kind) << c.typed;
  }
}

TEST(ResolveName, OtherNamesAreOrdinaryFiles) {
  const std::string cwd = workingDirectory();
  // With an extension: names beginning with E, L or U, and CONIN$/CONOUT$, are files. The
  // printer and serial names are files on this platform, with or without extension.
  const char* names[] = {"user.txt", "ERR.log", "conout$.txt", "CONIN$.x", "PRN",
                         "prn.txt",  "COM1",    "lpt2.x",      "AUX",      "LINE",
                         "CONX",     "NULL",    "xcon",        "a.nul",    "nul.a.b"};
  for (const char* name : names) {
    textio::ResolvedName got = textio::resolveName(name);
    EXPECT_FALSE(got.device) << name;
    EXPECT_EQ(got.name, cwd + "/" + name) << name;
  }
  // A device name inside a path is a file name.
  EXPECT_FALSE(textio::resolveName("dir/nul").device);
  EXPECT_EQ(textio::resolveName("dir/nul").name, cwd + "/dir/nul");
}

// --- Existence test ---------------------------------------------------------------------------

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
  for (const Case& c : cases) EXPECT_EQ(textio::inquireExists(c.name), c.exists) << c.name;
}

TEST(InquireExists, KnowsTheNameOfAConnectedUnitEvenWhenTheFileIsGone) {
  ScratchDir dir;
  const std::string name = dir.file("held.gro");
  writeFile(name, "x\n");
  textio::openUnit(30, name, "OLD");
  ::unlink(name.c_str());
  EXPECT_TRUE(textio::inquireExists(name));
  EXPECT_TRUE(textio::inquireExists("  " + name));
  textio::closeUnit(30);
  EXPECT_FALSE(textio::inquireExists(name));
}

// --- Opening and closing ----------------------------------------------------------------------

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
    textio::openUnit(31, path, c.status, c.access);
    const textio::UnitEntry* entry = textio::findUnit(31);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->connected);
    EXPECT_EQ(entry->name, path);
    EXPECT_FALSE(entry->readOnly);
    textio::closeUnit(31);
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
  textio::openUnit(32, name, "REPLACE");
  struct stat during {};
  ASSERT_EQ(::stat(name.c_str(), &during), 0);
  EXPECT_EQ(during.st_size, 0);
  EXPECT_EQ(during.st_ino, before.st_ino);
  writeRecord(32, "new");
  textio::closeUnit(32);
  EXPECT_EQ(readFile(name), "new\r\n");
  struct stat after {};
  ASSERT_EQ(::stat(name.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST(OpenUnit, AppendAccessWritesAfterTheContent) {
  ScratchDir dir;
  const std::string name = dir.file("log.txt");
  writeFile(name, "one\r\n");
  textio::openUnit(33, name, "OLD", "APPEND");
  writeRecord(33, "two");
  textio::closeUnit(33);
  EXPECT_EQ(readFile(name), "one\r\ntwo\r\n");
}

TEST(OpenUnit, OpeningAConnectedUnitAgainClosesTheFirstFile) {
  ScratchDir dir;
  textio::openUnit(34, dir.file("a"), "REPLACE");
  writeRecord(34, "in a", true);
  textio::openUnit(34, dir.file("b"), "REPLACE");
  writeRecord(34, "in b");
  textio::closeUnit(34);
  EXPECT_EQ(readFile(dir.file("a")), "in a\r\n");
  EXPECT_EQ(readFile(dir.file("b")), "in b\r\n");
}

TEST(OpenUnit, NulIsTheNullDevice) {
  textio::openUnit(35, "nul.txt", "REPLACE");
  const textio::UnitEntry* entry = textio::findUnit(35);
  EXPECT_TRUE(entry->nullDevice);
  EXPECT_EQ(entry->name, "nul");
  writeRecord(35, "vanishes");
  textio::closeUnit(35);
  EXPECT_FALSE(entry->connected);
}

TEST(OpenUnit, AnImmutableFileFallsBackToReadAccess) {
  ScratchDir dir;
  const std::string name = dir.file("frozen.gro");
  writeFile(name, "line 1\nline 2\n");
  if (!makeImmutable(name)) GTEST_SKIP() << "chattr +i is not available here";
  textio::openUnit(36, name, "OLD", "SEQUENTIAL");
  const textio::UnitEntry* entry = textio::findUnit(36);
  EXPECT_TRUE(entry->readOnly);
  EXPECT_EQ(readAllLines(36), (std::vector<std::string>{"line 1", "line 2"}));
  textio::closeUnit(36);
  makeMutable(name);
}

TEST(CloseUnit, ANeverOpenedUnitIsLeftAlone) {
  textio::closeUnit(17017);
  const textio::UnitEntry* entry = textio::findUnit(17017);
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
  textio::openUnit(37, name, "REPLACE");
  writeRecord(37, "[selected-atoms]");
  writeRecord(37, "     1", true);
  writeRecord(37, "     2", true);
  textio::closeUnit(37);
  EXPECT_EQ(readFile(name), "[selected-atoms]\r\n     1     2\r\n");
}

// --- Line input --------------------------------------------------------------------------------

TEST(NextRecord, SplitsLinesAndEndsAtTheEndOfTheFile) {
  ScratchDir dir;
  struct Case {
    std::string content;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\r\nb\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"", {}},
      {"\n", {""}},
      {"\r\n", {""}},
      {"\n\n", {"", ""}},
      {"a\r\r\n", {"a\r"}},
      {"a\rb\n", {"a\rb"}},
      {"last\r", {"last\r"}},  // no line feed follows: the carriage return is data
      {"x\n\x1a\ny\n", {"x"}},
      {"x\n\x1a\r\ny\n", {"x"}},
      {"\x1a", {}},
      {"\x1a\x1a\n", {"\x1a\x1a"}},
      {" \x1a\n", {" \x1a"}},
      {std::string("nul\0inside\n", 11), {std::string("nul\0inside", 10)}},
  };
  for (const Case& c : cases) {
    const std::string name = dir.file("in.txt");
    writeFile(name, c.content);
    textio::openUnit(40, name, "OLD");
    EXPECT_EQ(readAllLines(40), c.lines) << testing::PrintToString(c.content);
    textio::closeUnit(40);
  }
}

TEST(NextRecord, ReadsLinesOfAnyLengthAcrossBlocks) {
  ScratchDir dir;
  const std::string name = dir.file("big.txt");
  std::string content;
  std::vector<std::string> expected;
  // Short lines across many read blocks, then lines far longer than one block.
  for (int i = 0; i < 20000; ++i) {
    expected.push_back("line " + std::to_string(i));
    content += expected.back() + (i % 2 == 0 ? "\r\n" : "\n");
  }
  expected.push_back(std::string(3 << 20, 'x'));
  content += expected.back() + "\n";
  expected.push_back(std::string(200000, 'y'));
  content += expected.back();
  writeFile(name, content);
  textio::openUnit(41, name, "OLD");
  std::vector<std::string> got = readAllLines(41);
  textio::closeUnit(41);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expected[i]) << "line " << i;
}

TEST(PeekRecord, GivesTheNextLineAndLeavesItForTheNextRead) {
  ScratchDir dir;
  const std::string name = dir.file("peek.txt");
  // Lines that end with CR LF, empty lines, a line that straddles the first read block, one
  // longer than a block, and a last line without a line feed.
  std::vector<std::string> expected = {"first", "", "third"};
  std::string content = "first\r\n\nthird\n";
  while (content.size() < 65530) {
    expected.push_back("filler " + std::to_string(content.size()));
    content += expected.back() + "\n";
  }
  for (const std::string& line :
       {std::string(20, 's'), std::string(200000, 'l'), std::string("last")}) {
    expected.push_back(line);
    content += line + (line == "last" ? "" : "\n");
  }
  writeFile(name, content);
  textio::openUnit(48, name, "OLD");
  {
    textio::Statement statement(48, StatementKind::Read);
    textio::UnitEntry& unit = statement.unit();
    std::string_view line;
    for (const std::string& want : expected) {
      ASSERT_EQ(textio::peekRecord(unit, line), ReadStatus::Ok);
      ASSERT_EQ(line, want);
      ASSERT_EQ(textio::peekRecord(unit, line), ReadStatus::Ok);
      ASSERT_EQ(line, want);
      ASSERT_EQ(textio::nextRecord(unit, line), ReadStatus::Ok);
      ASSERT_EQ(line, want);
    }
    EXPECT_EQ(textio::peekRecord(unit, line), ReadStatus::End);
    EXPECT_EQ(textio::nextRecord(unit, line), ReadStatus::End);
  }
  textio::closeUnit(48);
}

// Five columns kept: a longer line gives its first five bytes, wherever its end falls (inside
// the first read block, at the block's edge, far behind it, or at the end of the file), and
// the lines after it come whole.
TEST(NextRecord, KeptColumnsCutLongLinesAndLeaveTheNextLinesWhole) {
  ScratchDir dir;
  constexpr std::size_t kBlock = 64 * 1024;  // one read block
  struct Case {
    std::string content;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"abc\nabcde\r\nabcdef\r\nabcde\r\r\n", {"abc", "abcde", "abcde", "abcde"}},
      {std::string(200000, 'L') + "\r\nnext\n", {"LLLLL", "next"}},
      {std::string(kBlock, 'M') + "\nafter", {"MMMMM", "after"}},
      {std::string(kBlock - 1, 'N') + "\r\nz\n", {"NNNNN", "z"}},
      {std::string(kBlock + 1, 'O') + "\n" + std::string(kBlock * 3, 'P') + "\nq",
       {"OOOOO", "PPPPP", "q"}},
      {"first\n" + std::string(300000, 'E'), {"first", "EEEEE"}},
      {"ab\n\x1a\nnever\n", {"ab"}},
  };
  for (const Case& c : cases) {
    const std::string name = dir.file("in.txt");
    writeFile(name, c.content);
    textio::openUnit(40, name, "OLD");
    textio::keepInputColumns(40, 5);
    EXPECT_EQ(readAllLines(40), c.lines) << c.content.substr(0, 40);
    textio::closeUnit(40);
  }
}

// A peek at a line cut to the kept columns leaves the whole line for the next read, also when
// the cut line is the file's last and has no line end (its rest was passed over to the end).
TEST(PeekRecord, ACutLineIsLeftForTheNextReadToo) {
  ScratchDir dir;
  const std::string name = dir.file("peek_cut.txt");
  writeFile(name, std::string(200000, 'L') + "\nnext\n" + std::string(300000, 'E'));
  textio::openUnit(49, name, "OLD");
  textio::keepInputColumns(49, 5);
  {
    textio::Statement statement(49, StatementKind::Read);
    textio::UnitEntry& unit = statement.unit();
    std::string_view line;
    for (const char* want : {"LLLLL", "next", "EEEEE"}) {
      ASSERT_EQ(textio::peekRecord(unit, line), ReadStatus::Ok);
      ASSERT_EQ(line, want);
      ASSERT_EQ(textio::nextRecord(unit, line), ReadStatus::Ok) << want;
      ASSERT_EQ(line, want);
    }
    EXPECT_EQ(textio::nextRecord(unit, line), ReadStatus::End);
  }
  textio::closeUnit(49);
}

// --- Line output and pending records ------------------------------------------------------

TEST(EndRecord, WritesCompletedRecordsWithCarriageReturnAndLineFeed) {
  ScratchDir dir;
  const std::string name = dir.file("out.txt");
  textio::openUnit(42, name, "REPLACE");
  writeRecord(42, "first   ");
  writeRecord(42, "");
  writeRecord(42, " third");
  textio::closeUnit(42);
  EXPECT_EQ(readFile(name), "first   \r\n\r\n third\r\n");
}

TEST(EndRecord, HandsLargeOutputToTheFileBeforeTheClose) {
  ScratchDir dir;
  const std::string name = dir.file("large.txt");
  textio::openUnit(43, name, "REPLACE");
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string record = "record " + std::to_string(i);
    writeRecord(43, record);
    expected += record + "\r\n";
  }
  struct stat during {};
  ASSERT_EQ(::stat(name.c_str(), &during), 0);
  EXPECT_GT(during.st_size, 0);
  textio::closeUnit(43);
  EXPECT_EQ(readFile(name), expected);
}

TEST(PendingRecord, AWriteOnTheSameUnitContinuesIt) {
  ScratchDir dir;
  const std::string name = dir.file("cont.txt");
  textio::openUnit(44, name, "REPLACE");
  writeRecord(44, "ab", true);
  writeRecord(44, "cd");
  textio::closeUnit(44);
  EXPECT_EQ(readFile(name), "abcd\r\n");
}

TEST(PendingRecord, AReadOnTheSameUnitCompletesItFirst) {
  ScratchDir dir;
  const std::string name = dir.file("rw.txt");
  textio::openUnit(45, name, "REPLACE");
  writeRecord(45, "open line", true);
  {
    textio::Statement read(45, StatementKind::Read);
    EXPECT_FALSE(read.unit().pending);
    EXPECT_EQ(readFile(name), "open line\r\n");
  }
  textio::closeUnit(45);
  EXPECT_EQ(readFile(name), "open line\r\n");
}

TEST(PendingRecord, AStatementOnAnotherUnitOfTheSameFileCompletesIt) {
  ScratchDir dir;
  const std::string name = dir.file("shared.txt");
  textio::openUnit(46, name, "REPLACE");
  writeRecord(46, "pending", true);
  textio::openUnit(47, name, "OLD");
  EXPECT_FALSE(textio::findUnit(46)->pending);
  EXPECT_EQ(readFile(name), "pending\r\n");
  // An inquiry leaves a pending record alone.
  writeRecord(46, "again", true);
  { textio::Statement inquiry(47, StatementKind::Inquiry); }
  EXPECT_TRUE(textio::findUnit(46)->pending);
  textio::closeUnit(47);
  textio::closeUnit(46);
}

TEST(PendingRecord, AWriteOnAnotherConnectedUnitOfTheFileCompletesIt) {
  // Unit numbers near zero and far from it (the table finds both kinds its own way).
  for (const auto& [first, second] : {std::pair{48, 49}, std::pair{-300, 100000}}) {
    ScratchDir dir;
    const std::string name = dir.file("shared.txt");
    const std::string other = dir.file("other.txt");
    textio::openUnit(first, name, "REPLACE");
    textio::openUnit(second, name, "OLD");
    writeRecord(first, "first", true);
    // The write on the other unit of the file hands the pending record to the file first
    // (its own record stays in its buffer until its close).
    writeRecord(second, "second");
    EXPECT_FALSE(textio::findUnit(first)->pending);
    EXPECT_EQ(readFile(name), "first\r\n");
    // Once the other unit is on another file, the pending record waits for its own unit.
    textio::closeUnit(second);
    textio::openUnit(second, other, "REPLACE");
    writeRecord(first, "third", true);
    writeRecord(second, "elsewhere");
    EXPECT_TRUE(textio::findUnit(first)->pending);
    textio::closeUnit(second);
    EXPECT_TRUE(textio::findUnit(first)->pending);
    EXPECT_EQ(readFile(other), "elsewhere\r\n");
    textio::closeUnit(first);
  }
}

// --- Failures, in a real run --------------------------------------------------------------

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

TEST(StatementFailures, ARecursiveStatementIsReport40) {
  ScratchDir dir;
  const std::string name = dir.file("r.txt");
  ChildResult result = runChild({"recursive", name});
  EXPECT_EQ(result.status, 40);
  EXPECT_EQ(firstLine(result.err),
            "forrtl: severe (40): recursive I/O operation, unit 15, file " + name + "\r\n");
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

// --- Console units --------------------------------------------------------------------------

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
