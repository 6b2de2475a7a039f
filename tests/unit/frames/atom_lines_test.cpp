// Bulk conversion of atom lines: the table it gives equals the one the per-line reads give, on
// generated files mixing every kind of line the per-line rules treat specially, for one
// thread and for blocks split into several parts; the count's limit and the byte that ends a
// file apply across parts.
#include "frames/atom_lines.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "coordinate_file_test.h"
#include "frames/atom_table.h"
#include "frames/table_loader.h"
#include "textio/units/unit.h"

namespace frames {
namespace {

// Kinds of atom line, and whether a read of the line fills a record.
struct LineKind {
  const char* what;
  bool readable;
};
constexpr LineKind kKinds[] = {
    {"plain, with velocities", true},
    {"positions only (44 columns)", true},
    {"carriage return before the line feed", true},
    {"letter in the x field", false},
    {"letter in the residue number", false},
    {"tab before the digits of y", true},
    {"NUL in the atom name", true},
    {"NUL in the z field", false},
    {"short line of 30 columns", true},
    {"empty line", true},
    {"columns past 68", true},
    {"comma ending the x field early", true},
    {"carriage return inside the atom number", false},
    {"blank between digits of an integer", true},
    {"no decimal point", true},
    {"odd length of 53 columns", true},
    {"line longer than a block", true},
    {"sign only and a lone point", true},
};
constexpr int kKindCount = static_cast<int>(sizeof kKinds / sizeof kKinds[0]);

// Numbers step by `stride`, modulo 100000: a stride of 1 never wraps in a test file, a large
// one wraps every few lines.
std::string atomLine(int kind, int i, int stride = 1) {
  char line[128];
  std::snprintf(line, sizeof line, "%5dSOL  %5s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f",
                static_cast<int>((i / 3 + 1) * std::int64_t{stride} % 100000),
                i % 3 == 0 ? "OW" : "HW1", static_cast<int>(i * std::int64_t{stride} % 100000),
                (i % 9001) * 0.001 - 2.0, i * 0.007, -(i % 77) * 0.013, (i % 13) * 0.0123, -0.5,
                (i % 5) * 0.1);
  std::string s = line;  // 68 columns
  switch (kind) {
    case 1:
      s.resize(44);
      break;
    case 2:
      s += '\r';
      break;
    case 3:
      s[24] = 'x';
      break;
    case 4:
      s[2] = 'q';
      break;
    case 5:
      s[29] = '\t';
      break;
    case 6:
      s[12] = '\0';
      break;
    case 7:
      s[38] = '\0';
      break;
    case 8:
      s.resize(30);
      break;
    case 9:
      s.clear();
      break;
    case 10:
      s += "  trailing words, ignored";
      break;
    case 11:
      s.replace(20, 8, "1.5,");
      break;  // the fields after it keep their columns
    case 12:
      s[16] = '\r';
      break;
    case 13:
      s[17] = ' ';
      break;
    case 14:
      s.replace(20, 8, "   12345");
      break;
    case 15:
      s.resize(53);
      break;
    case 16:
      s += std::string(5000, ' ');
      break;
    case 17:
      s.replace(20, 16, "       -       .");
      break;
    default:
      break;
  }
  return s + '\n';
}

// A file of `lines` atom lines of every kind in a fixed pseudo-random order, after a title and
// the count line; returns the readable lines among the first `count`.
std::string generatedFile(int lines, long count, std::size_t& readable, int stride = 1) {
  std::string content = "generated\n" + std::to_string(count) + "\n";
  std::uint32_t state = 12345;
  readable = 0;
  for (int i = 1; i <= lines; ++i) {
    state = state * 1103515245u + 12345u;
    const int kind = (state >> 16) % 4 == 0 ? static_cast<int>((state >> 8) % kKindCount) : 0;
    content += atomLine(kind, i, stride);
    if (i <= count && kKinds[kind].readable) ++readable;
  }
  return content + "   1.86206   1.86206   1.86206\n";
}

bool sameRecord(const AtomRecord& a, const AtomRecord& b) {
  const auto bits = [](float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
  };
  return a.residueNumber == b.residueNumber && a.atomNumber == b.atomNumber &&
         std::memcmp(a.residueName, b.residueName, 5) == 0 &&
         std::memcmp(a.atomName, b.atomName, 5) == 0 && bits(a.x) == bits(b.x) &&
         bits(a.y) == bits(b.y) && bits(a.z) == bits(b.z) && bits(a.vx) == bits(b.vx) &&
         bits(a.vy) == bits(b.vy) && bits(a.vz) == bits(b.vz);
}

class BulkLoadTest : public testsupport::CoordinateFileTest {
 protected:
  AtomTable loadWith(const std::string& path, const LoadTuning& tuning) {
    const AtomTable table = load(path, tuning);
    textio::units::closeUnit(kCoordinateUnit);
    return table;
  }
  // Loads `path` per line and with each tuning; every table must equal the per-line one.
  static constexpr std::size_t kUnchecked = ~std::size_t{0};
  void expectSameTables(const std::string& path, std::size_t expectedSize, const char* what) {
    LoadTuning perLine;
    perLine.path = LoadTuning::Path::PerLine;
    const AtomTable reference = loadWith(path, perLine);
    if (expectedSize != kUnchecked) {
      ASSERT_EQ(reference.size, expectedSize) << what;
    }
    const LoadTuning tunings[] = {
        {LoadTuning::Path::Bulk, 1, 4096, 256},   // one thread, many blocks
        {LoadTuning::Path::Bulk, 4, 4096, 256},   // four parts a block
        {LoadTuning::Path::Bulk, 3, 1000, 100},   // blocks that cut lines, odd parts
        {LoadTuning::Path::Bulk, 2, 1 << 20, 1},  // the whole file in one block, two parts
        {},                                       // as the tool runs
    };
    for (const LoadTuning& tuning : tunings) {
      const AtomTable table = loadWith(path, tuning);
      ASSERT_EQ(table.size, reference.size)
          << what << ", threads " << tuning.threads << ", block " << tuning.blockBytes;
      for (std::size_t i = 0; i < table.size; ++i) {
        ASSERT_TRUE(sameRecord(table.records[i], reference.records[i]))
            << what << ": record " << i << ", threads " << tuning.threads << ", block "
            << tuning.blockBytes;
      }
      EXPECT_EQ(table.atomWraps.points, reference.atomWraps.points) << what;
      EXPECT_EQ(table.residueWraps.points, reference.residueWraps.points) << what;
    }
    // A record test reaches every record, whichever path read it (the converter's parts,
    // the lines it leaves to single statements, a load by statements).
    const auto markOf = [](const AtomRecord& record) {
      return static_cast<std::uint8_t>(1 + static_cast<std::uint32_t>(record.atomNumber) % 7);
    };
    for (LoadTuning tuning : tunings) {
      tuning.recordTest = [&](AtomRecord* records, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) records[i].mark = markOf(records[i]);
      };
      for (const LoadTuning::Path way : {LoadTuning::Path::Bulk, LoadTuning::Path::PerLine}) {
        tuning.path = way;
        const AtomTable table = loadWith(path, tuning);
        EXPECT_TRUE(table.marked) << what;
        for (std::size_t i = 0; i < table.size; ++i) {
          ASSERT_EQ(table.records[i].mark, markOf(table.records[i]))
              << what << ": record " << i << " unmarked, block " << tuning.blockBytes;
        }
      }
    }
    // A frame's marks as bits, where the load keeps them, are its records' marks.
    for (LoadTuning tuning : tunings) {
      tuning.frameSized = true;
      tuning.recordTest = [](AtomRecord* records, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) records[i].mark = records[i].atomNumber % 3 == 0;
      };
      const AtomTable table = loadWith(path, tuning);
      if (table.markBits.empty()) continue;
      ++framesWithBits;
      ASSERT_EQ(table.markBits.size(), (table.size + 63) / 64) << what;
      for (std::size_t i = 0; i < table.markBits.size() * 64; ++i) {
        const bool bit = (table.markBits[i / 64] >> (i % 64) & 1) != 0;
        ASSERT_EQ(bit, i < table.size && table.records[i].mark != 0)
            << what << ": bit " << i << ", block " << tuning.blockBytes;
      }
    }
  }
  int framesWithBits = 0;
};

// Lines that are all records in place: the frames' bits are kept (and checked above).
TEST_F(BulkLoadTest, PlainLinesKeepTheFramesMarkBits) {
  std::string content = "plain\n3000\n";
  for (int i = 1; i <= 3000; ++i) content += atomLine(0, i, 1);
  expectSameTables(write(content + "   1.86206   1.86206   1.86206\n"), 3000, "plain lines");
  EXPECT_GE(framesWithBits, 4);
}

TEST_F(BulkLoadTest, EveryKindOfLineGivesThePerLineTable) {
  constexpr int kLines = 3000;
  struct CountCase {
    const char* what;
    long count;
  };
  const CountCase counts[] = {
      {"count equal to the lines", kLines},
      {"count smaller than the lines", kLines - 17},
      {"count larger than the lines (box line read as an atom)", kLines + 50},
      {"count of one", 1},
  };
  for (const CountCase& c : counts) {
    std::size_t readable = 0;
    const std::string content = generatedFile(kLines, c.count, readable);
    // A larger count reads the box line too, which cannot be read: a point in columns 1-5.
    expectSameTables(write(content), readable, c.what);
  }
}

// A count above 99999 makes the numbers' wraps count: found while the blocks are converted,
// across parts, blocks, skipped lines and lines read one at a time, they are the per-line ones.
TEST_F(BulkLoadTest, WrapsFoundWhileConvertingAreThePerLineOnes) {
  std::size_t readable = 0;
  const std::string content = generatedFile(3000, 100001, readable, 2311);
  expectSameTables(write(content), readable, "numbers that wrap every 43 lines");
}

TEST_F(BulkLoadTest, EndsOfFileGiveThePerLineTable) {
  // The last atom line without a line feed, and no box line.
  std::size_t readable = 0;
  std::string content = generatedFile(2000, 2000, readable);
  content.resize(content.rfind('\n', content.size() - 2));
  expectSameTables(write(content), readable, "last line without a line feed");

  // Byte 26 alone on a line ends the file: nothing after it is read.
  std::string stopped = generatedFile(2000, 2000, readable);
  std::size_t at = 0;
  for (int line = 0; line < 1500 + 2; ++line) at = stopped.find('\n', at) + 1;
  std::size_t before = 0;
  generatedFile(1500, 1500, before);
  stopped.insert(at, "\x1a\r\n");
  expectSameTables(write(stopped), before, "byte 26 after 1500 lines");
}

// The six real fields and the two numbers are each checked at once for the shapes GROMACS
// writes; a field of nearly that shape must give what the per-line rules give, whether they
// read it or not.
TEST_F(BulkLoadTest, FieldsNearTheWrittenShapeGiveThePerLineRecords) {
  struct Field {
    const char* what;
    std::size_t column;  // 0 residue and 15 atom number (five columns); 20 x, 28 y, 36 z
                         // (three decimals); 44 vx, 52 vy, 60 vz (four), eight columns
    const char* text;
  };
  const Field fields[] = {
      {"residue number of five digits", 0, "99999"},
      {"negative atom number", 15, "-9999"},
      {"minus zero residue number", 0, "   -0"},
      {"leading zeros", 15, "00042"},
      {"residue number, blanks only", 0, "     "},
      {"atom number, sign only", 15, "    -"},
      {"plus sign in the residue number", 0, "  +12"},
      {"minus after blanks inside", 15, " - 12"},
      {"minus after a digit", 0, " 1-23"},
      {"blank among the digits", 15, "1 234"},
      {"blank after the digits", 0, "  12 "},
      {"letter after the digits", 15, "  12x"},
      {"tab before the digits", 0, "\t  12"},
      {"byte above 127", 15,
       "  1\xb3"
       "2"},
      {"four integer digits", 20, "1234.567"},
      {"the most negative", 28, "-999.999"},
      {"minus zero", 36, "  -0.000"},
      {"minus zero, four decimals", 60, " -0.0000"},
      {"plus sign", 20, "  +1.234"},
      {"minus after blanks inside", 44, " - 0.123"},
      {"minus after a digit", 28, " 1-2.345"},
      {"two minus signs", 20, " --1.234"},
      {"point one column left", 20, "  12.345"},
      {"point one column right", 60, "   1.234"},
      {"blank after the point", 36, "   1.2 4"},
      {"blank before the point", 44, "  1 .123"},
      {"blank among leading digits", 20, " 1 2.345"},
      {"no digit before the point", 28, "    .123"},
      {"tab before the digits", 52, "\t -0.123"},
      {"byte above 127", 60,
       " -0.12\xb3"
       "3"},
      {"letter after the point", 36, "   1.23e"},
      {"all digits, no point", 44, "12345678"},
      {"point at the end", 20, "  12345."},
      {"two points", 28, "  1.2.34"},
  };
  std::string content = "near shapes\n" + std::to_string(2 * std::size(fields)) + "\n";
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    std::string line = atomLine(0, static_cast<int>(i) + 1);
    line.replace(fields[i].column, std::strlen(fields[i].text), fields[i].text);
    content += line + atomLine(0, static_cast<int>(i) + 100);
  }
  content += "   1.86206   1.86206   1.86206\n";
  expectSameTables(write(content), kUnchecked, "fields near the written shape");
}

// A part's lines are counted to place its records: a long run of empty lines (each one a
// record of blanks) must count as many lines as it holds.
TEST_F(BulkLoadTest, LongRunsOfEmptyLinesArePlacedAsThePerLineRecords) {
  const int kEmpty = 20000;
  std::string content = "empty runs\n" + std::to_string(kEmpty + 200) + "\n";
  for (int i = 1; i <= 100; ++i) content += atomLine(0, i);
  content += std::string(kEmpty, '\n');
  for (int i = 101; i <= 200; ++i) content += atomLine(0, i);
  content += "   1.86206   1.86206   1.86206\n";
  expectSameTables(write(content), kEmpty + 200, "20000 empty lines between atoms");
}

// A short line and the next one can put a line feed in column 69 with numbers and reals of
// the written shapes in columns 16-68: they are two lines, not one.
TEST_F(BulkLoadTest, AShortLineBeforeAFeedInColumn69IsALineOfItsOwn) {
  std::string content = "short then shifted\n6\n";
  for (int i = 1; i <= 2; ++i) content += atomLine(0, i);
  // Seven columns, then 60 whose columns 8-12 and 13-60 are a number and six reals.
  content += "    3SO\n";
  content += std::string("   HW2") + " " + "    9" + atomLine(0, 3).substr(20);
  for (int i = 4; i <= 6; ++i) content += atomLine(0, i);
  content += "   1.86206   1.86206   1.86206\n";
  expectSameTables(write(content), kUnchecked, "a feed in column 69 after a short line");
}

// Lines of the given kinds, one atom each.
std::string linesOf(const std::vector<int>& kinds) {
  std::string text;
  for (std::size_t i = 0; i < kinds.size(); ++i)
    text += atomLine(kinds[i], static_cast<int>(i) + 1);
  return text;
}

TEST(ConvertAtomLines, LimitAndEndAcrossParts) {
  // 40 lines, every fifth unreadable: parts of about ten lines each.
  std::vector<int> kinds(40, 0);
  for (std::size_t i = 4; i < kinds.size(); i += 5) kinds[i] = 3;
  const std::string text = linesOf(kinds);
  struct Case {
    const char* what;
    std::uint64_t maxLines;
    std::uint64_t lines;
    std::uint64_t records;
  };
  const Case cases[] = {
      {"all lines", 100, 40, 32},
      {"limit inside the third part", 23, 23, 19},
      {"limit at a fifth line", 25, 25, 20},
      {"no line", 0, 0, 0},
  };
  for (const Case& c : cases) {
    for (unsigned threads : {1u, 4u}) {
      std::vector<AtomRecord> records(40);
      const AtomLinesRead got =
          convertAtomLines(text.data(), text.size(), c.maxLines, records.data(), threads, 64);
      EXPECT_EQ(got.lines, c.lines) << c.what << ", threads " << threads;
      EXPECT_EQ(got.records, c.records) << c.what << ", threads " << threads;
      EXPECT_EQ(got.bytes, c.lines * 69) << c.what << ", threads " << threads;
      EXPECT_FALSE(got.stopped);
      // The records close up over the skipped lines: atom numbers 1-4, 6-9, ...
      for (std::uint64_t r = 0; r < got.records; ++r) {
        EXPECT_EQ(records[r].atomNumber, static_cast<std::int32_t>(r + r / 4 + 1))
            << c.what << ", threads " << threads << ", record " << r;
      }
    }
  }
  // Byte 26 alone on line 31: the lines after it, in this part and the next, are not read.
  const std::string ended = text.substr(0, 30 * 69) + "\x1a\n" + text.substr(30 * 69);
  for (unsigned threads : {1u, 4u}) {
    std::vector<AtomRecord> records(41);
    const AtomLinesRead got =
        convertAtomLines(ended.data(), ended.size(), 100, records.data(), threads, 64);
    EXPECT_TRUE(got.stopped) << threads;
    EXPECT_EQ(got.lines, 30u) << threads;
    EXPECT_EQ(got.records, 24u) << threads;
    EXPECT_EQ(got.bytes, 30u * 69) << threads;
  }
}

}  // namespace
}  // namespace frames
