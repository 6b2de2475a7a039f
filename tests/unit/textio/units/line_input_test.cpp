// Tests of line input: lines split at their line feeds across blocks, the end of the file,
// looking at a line without consuming it, and lines cut to kept columns.
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

using testsupport::readAllLines;
using testsupport::ScratchDir;
using testsupport::writeFile;
using textio::units::ReadStatus;
using textio::units::StatementKind;

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
    textio::units::openUnit(40, name, "OLD");
    EXPECT_EQ(readAllLines(40), c.lines) << testing::PrintToString(c.content);
    textio::units::closeUnit(40);
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
  textio::units::openUnit(41, name, "OLD");
  std::vector<std::string> got = readAllLines(41);
  textio::units::closeUnit(41);
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
  textio::units::openUnit(48, name, "OLD");
  {
    textio::units::Statement statement(48, StatementKind::Read);
    textio::units::UnitEntry& unit = statement.unit();
    std::string_view line;
    for (const std::string& want : expected) {
      ASSERT_EQ(textio::units::peekRecord(unit, line), ReadStatus::Ok);
      ASSERT_EQ(line, want);
      ASSERT_EQ(textio::units::peekRecord(unit, line), ReadStatus::Ok);
      ASSERT_EQ(line, want);
      ASSERT_EQ(textio::units::nextRecord(unit, line), ReadStatus::Ok);
      ASSERT_EQ(line, want);
    }
    EXPECT_EQ(textio::units::peekRecord(unit, line), ReadStatus::End);
    EXPECT_EQ(textio::units::nextRecord(unit, line), ReadStatus::End);
  }
  textio::units::closeUnit(48);
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
    textio::units::openUnit(40, name, "OLD");
    textio::units::keepInputColumns(40, 5);
    EXPECT_EQ(readAllLines(40), c.lines) << c.content.substr(0, 40);
    textio::units::closeUnit(40);
  }
}

// A peek at a line cut to the kept columns leaves the whole line for the next read, also when
// the cut line is the file's last and has no line end (its rest was passed over to the end).
TEST(PeekRecord, ACutLineIsLeftForTheNextReadToo) {
  ScratchDir dir;
  const std::string name = dir.file("peek_cut.txt");
  writeFile(name, std::string(200000, 'L') + "\nnext\n" + std::string(300000, 'E'));
  textio::units::openUnit(49, name, "OLD");
  textio::units::keepInputColumns(49, 5);
  {
    textio::units::Statement statement(49, StatementKind::Read);
    textio::units::UnitEntry& unit = statement.unit();
    std::string_view line;
    for (const char* want : {"LLLLL", "next", "EEEEE"}) {
      ASSERT_EQ(textio::units::peekRecord(unit, line), ReadStatus::Ok);
      ASSERT_EQ(line, want);
      ASSERT_EQ(textio::units::nextRecord(unit, line), ReadStatus::Ok) << want;
      ASSERT_EQ(line, want);
    }
    EXPECT_EQ(textio::units::nextRecord(unit, line), ReadStatus::End);
  }
  textio::units::closeUnit(49);
}

}  // namespace
