// Tests of blocks for bulk converters: blocks hold whole lines only, and whatever is taken
// and given back, with or without a block read ahead, line input goes on at the right byte.
#include "textio/bulk/block_input.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "child_process.h"
#include "textio/units/unit.h"
#include "unit_files.h"

namespace {

using testsupport::readAllLines;
using testsupport::ScratchDir;
using testsupport::writeFile;

constexpr int kUnit = 41;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t feed = text.find('\n', from);
    if (feed == std::string::npos) feed = text.size();
    lines.push_back(text.substr(from, feed - from));
    from = feed + 1;
  }
  return lines;
}

// One line read through the unit before the blocks begin (so the unit holds read bytes).
std::string firstLine() {
  textio::units::Statement statement(kUnit, textio::units::StatementKind::Read);
  std::string_view line;
  EXPECT_EQ(textio::units::nextRecord(statement.unit(), line), textio::units::ReadStatus::Ok);
  return std::string(line);
}

TEST(BlockInput, LineInputGoesOnWhereTheBlocksWereLeft) {
  ScratchDir dir;
  const std::string name = dir.file("lines.txt");
  std::string text;
  for (int i = 0; i < 40; ++i)
    text += std::string(static_cast<std::size_t>(i % 7), 'a' + i % 26) + "\n";
  text += "a line longer than the smallest blocks\nno line feed";
  writeFile(name, text);
  const std::vector<std::string> all = linesOf(text);

  struct Case {
    std::size_t blockBytes;
    int wholeBlocks;              // blocks taken whole before the last one
    bool readAhead;               // the last block's successor read before the give-back
    std::size_t taken;            // bytes of the last block taken (cut back to a line end)
    std::size_t most = SIZE_MAX;  // the most bytes a block holds
  };
  const Case cases[] = {{16, 0, false, 0},         {16, 2, true, 5},      {16, 3, false, 100},
                        {64, 1, true, 0},          {64, 0, true, 100},    {7, 4, true, 3},
                        {1, 0, false, 0},          {4096, 0, true, 50},   {4096, 0, false, 1000},
                        {64, 2, true, 5, 9},       {64, 1, true, 100, 1}, {4096, 3, true, 50, 40},
                        {4096, 0, false, 1000, 70}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.blockBytes << " " << c.wholeBlocks << " " << c.readAhead
                                    << " " << c.taken << " " << c.most);
    textio::units::openUnit(kUnit, name, "OLD");
    std::vector<std::string> seen{firstLine()};
    textio::bulk::BlockInput input(c.blockBytes);
    ASSERT_TRUE(input.ready());
    input.begin(kUnit, c.most);
    std::string consumed;
    for (int block = 0; block < c.wholeBlocks && !input.lines().empty(); ++block) {
      EXPECT_LE(input.lines().size(), c.most);
      consumed += input.lines();
      input.readAhead(c.most);
      input.next();
    }
    const std::string_view last = input.lines();
    EXPECT_LE(last.size(), c.most);
    std::size_t taken = std::min(c.taken, last.size());
    while (taken > 0 && last[taken - 1] != '\n') --taken;
    consumed += last.substr(0, taken);
    if (c.readAhead) input.readAhead(c.most);
    input.giveBack(taken);
    for (const std::string& line : linesOf(consumed)) seen.push_back(line);
    for (const std::string& line : readAllLines(kUnit)) seen.push_back(line);
    EXPECT_EQ(seen, all);
    textio::units::closeUnit(kUnit);
  }
}

TEST(BlockInput, BlocksEndAtALineFeedOrHoldNothing) {
  ScratchDir dir;
  const std::string name = dir.file("blocks.txt");
  writeFile(name, "abc\ndefghijkl\nmn\nop");
  textio::units::openUnit(kUnit, name, "OLD");
  textio::bulk::BlockInput input(8);
  input.begin(kUnit);
  std::vector<std::string> blocks;
  for (std::string_view block = input.lines(); !block.empty(); block = input.lines()) {
    blocks.emplace_back(block);
    input.readAhead();
    input.next();
  }
  // "defghijkl\n" does not fit in 8 bytes: the blocks stop before it.
  EXPECT_EQ(blocks, (std::vector<std::string>{"abc\n"}));
  input.giveBack(0);
  EXPECT_EQ(readAllLines(kUnit), (std::vector<std::string>{"defghijkl", "mn", "op"}));
  textio::units::closeUnit(kUnit);
}

}  // namespace
