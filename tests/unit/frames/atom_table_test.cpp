// The coordinate file loader: the count line (including counts written past column 5),
// atom lines by columns, skipped lines that leave no record, and the failures that end
// the run.
#include "frames/atom_table.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "coordinate_file_test.h"
#include "frames/table_loader.h"
#include "textio/units/unit.h"

namespace frames {
namespace {

struct CountCase {
  const char* line;
  std::int64_t count;
  int status;
};

TEST(ReadAtomCount, ColumnsOneToFiveAndDigitsThatRunOn) {
  const CountCase cases[] = {
      {"  216", 216, 0},
      {"216", 216, 0},  // left-justified
      {"216  ", 216, 0},
      {"  216 atoms", 216, 0},  // text after a blank in column 6 is ignored
      {"  1 2", 12, 0},         // blanks inside the field are ignored
      {"", 0, 0},               // an empty line reads 0
      {"    0", 0, 0},
      {"   -5", -5, 0},
      {"   ab", 0, 64},
      {"12345", 12345, 0},
      {"123456", 123456, 0},  // GROMACS writes large counts in full
      {"1234567", 1234567, 0},
      {"5184000", 5184000, 0},
      {"12345678x", 12345678, 0},  // the run of digits ends at the first non-digit
      {"1234 6", 1234, 0},         // column 5 is a blank: column 6 does not continue it
      {"12 3456", 123456, 0},      // the digits of columns 1-5, blanks ignored, run on
      {"-12345", -12345, 0},
      {"2147483647", 2147483647, 0},
      {"2147483648", 0, 64},
      {"99999999999999999999", 0, 64},
      {"12,456", 12, 0},  // a comma ends the I field; nothing runs on after it
  };
  for (const CountCase& c : cases) {
    std::int64_t count = -1;
    EXPECT_EQ(readAtomCount(c.line, count), c.status) << "'" << c.line << "'";
    if (c.status == 0) {
      EXPECT_EQ(count, c.count) << "'" << c.line << "'";
    }
  }
}

class LoaderTest : public testsupport::CoordinateFileTest {};

const char* kWaterLine1 = "    1SOL     OW    1   0.126   1.624   1.679  0.1227 -0.0580  0.0434\n";
const char* kWaterLine2 = "    1SOL    HW1    2   0.190   1.661   1.747  0.8085  0.3191 -0.7791\n";
const char* kWaterLine3 = "    2SOL     OW    3   1.275   0.053   0.622  0.2519  0.3140 -0.1734\n";

TEST_F(LoaderTest, ReadsEveryFieldByColumns) {
  const std::string path =
      write(std::string("Water, title with / commas \"quotes\"\n    3\n") + kWaterLine1 +
            kWaterLine2 + kWaterLine3 + "   1.86206   1.86206   1.86206\n");
  const AtomTable table = load(path);
  ASSERT_EQ(table.size, 3u);
  EXPECT_EQ(table.declaredCount, 3);
  const AtomRecord& r = table.records[1];
  EXPECT_EQ(r.residueNumber, 1);
  EXPECT_EQ(std::string(r.residueName, 5), "SOL  ");
  EXPECT_EQ(std::string(r.atomName, 5), "  HW1");
  EXPECT_EQ(r.atomNumber, 2);
  EXPECT_EQ(r.x, 0.190f);
  EXPECT_EQ(r.y, 1.661f);
  EXPECT_EQ(r.z, 1.747f);
  EXPECT_EQ(r.vx, 0.8085f);
  EXPECT_EQ(r.vy, 0.3191f);
  EXPECT_EQ(r.vz, -0.7791f);
  EXPECT_EQ(table.records[2].residueNumber, 2);
  EXPECT_TRUE(table.atomWraps.points.empty());
  // Unit 10 stays open for the driver to close.
  ASSERT_NE(textio::units::findUnit(kCoordinateUnit), nullptr);
  EXPECT_TRUE(textio::units::findUnit(kCoordinateUnit)->connected);
}

TEST_F(LoaderTest, ShortLinesCrLfAndALastLineWithoutLineFeed) {
  const std::string path = write(
      "t\r\n2\r\n    1SOL     OW    1   0.126   1.624   1.679\r\n"
      "    2SOL     OW    2   1.000   2.000   3.000  0.1000  0.2000  0.3000");
  const AtomTable table = load(path);
  ASSERT_EQ(table.size, 2u);
  EXPECT_EQ(table.records[0].vx, 0.0f);
  EXPECT_EQ(table.records[0].vz, 0.0f);
  EXPECT_EQ(table.records[0].z, 1.679f);
  EXPECT_EQ(table.records[1].vz, 0.3f);
}

struct SkipCase {
  const char* what;
  std::string content;
  std::vector<std::int32_t> atomNumbers;  // the records that must be in the table
};

TEST_F(LoaderTest, UnreadableAndMissingLinesLeaveNoRecord) {
  const SkipCase cases[] = {
      {"fewer lines than the count", std::string("t\n   10\n") + kWaterLine1 + kWaterLine2, {1, 2}},
      {"a letter inside x",
       std::string("t\n3\n") + kWaterLine1 + "    1SOL    HW1    2   0.1a0   1.661   1.747\n" +
           kWaterLine3,
       {1, 3}},
      {"count 0", std::string("t\n    0\n") + kWaterLine1, {}},
      {"negative count", std::string("t\n   -3\n") + kWaterLine1, {}},
      {"box line not read", std::string("t\n1\n") + kWaterLine1 + "bad box line x y z\n", {1}},
      {"count larger than the file could hold",
       std::string("t\n2000000000\n") + kWaterLine1 + kWaterLine2 + kWaterLine3,
       {1, 2, 3}},
      {"six-digit count on a short file", std::string("t\n123456\n") + kWaterLine1, {1}},
  };
  for (const SkipCase& c : cases) {
    const AtomTable table = load(write(c.content));
    std::vector<std::int32_t> numbers;
    for (std::size_t i = 0; i < table.size; ++i) numbers.push_back(table.records[i].atomNumber);
    EXPECT_EQ(numbers, c.atomNumbers) << c.what;
    textio::units::closeUnit(kCoordinateUnit);
  }
}

TEST_F(LoaderTest, LargeSystemsUnwrapTheirNumbers) {
  // A count above 99999: a number more than 50000 below the one before it marks a wrap of
  // 100000; the fall of residue 33334 to 1 (a chain numbered from 1 again) does not.
  std::string content = "big\n100003\n";
  const char* lines[] = {
      "33333SOL     OW99998   0.000   0.000   0.000\n",
      "33333SOL    HW199999   0.000   0.000   0.000\n",
      "33333SOL    HW2    0   0.000   0.000   0.000\n",
      "33334SOL     OW    1   0.000   0.000   0.000\n",
      "    1SOL     OW    2   0.000   0.000   0.000\n",
  };
  for (const char* line : lines) content += line;
  const AtomTable table = load(write(content));
  ASSERT_EQ(table.size, 5u);
  EXPECT_EQ(table.atomWraps.points, (std::vector<std::uint32_t>{2}));
  EXPECT_TRUE(table.residueWraps.points.empty());
  EXPECT_EQ(table.records[2].atomNumber, 0);  // the record keeps the five-column value
}

struct FallCase {
  const char* what;
  std::vector<std::int32_t> residues;  // one atom line per entry, with the atom number below
  std::vector<std::int32_t> atoms;
  std::vector<std::uint32_t> residueWraps;
  std::vector<std::uint32_t> atomWraps;
};

TEST_F(LoaderTest, OnlyAFallOfMoreThanHalfTheWrapIsAWrap) {
  // Each sequence on its own: falls of at most 50000 are taken as written. The rule is the
  // same in a file of a handful of atoms (a region cut out of a large system) as in a large
  // one, whichever path reads it: tiny blocks and parts put the falls on their seams.
  const FallCase cases[] = {
      {"a second chain numbered from 1 while the atoms wrap",
       {299, 300, 1, 2},
       {99998, 99999, 0, 1},
       {},
       {2}},
      {"a real wrap right after a restart", {99999, 60000, 3, 4}, {10, 11, 12, 13}, {2}, {}},
      {"a restart right after a wrap", {99999, 2, 1, 1}, {99998, 99999, 0, 1}, {1}, {2}},
      {"falls of exactly 50000 and of 50001", {50000, 0, 1}, {99999, 49998, 2}, {}, {1}},
      {"two falls of 50000 in a row", {99999, 49999, -1}, {3, 4, 5}, {}, {}},
      {"a damaged line read as 0", {1129, 0, 1130}, {3386, 0, 3388}, {}, {}},
      {"two real wraps", {99999, 0, 99999, 0}, {1, 2, 3, 4}, {1, 3}, {}},
      {"residue 5 and residue 100005", {5, 99999, 5, 6}, {7, 8, 9, 10}, {2}, {}},
      {"a restart in a file without wraps", {1, 2, 3, 1, 2}, {1, 2, 3, 4, 5}, {}, {}},
  };
  const LoadTuning tunings[] = {
      {}, {LoadTuning::Path::PerLine}, {LoadTuning::Path::Bulk, 2, 45, 1}};
  for (const FallCase& c : cases) {
    for (const char* count : {"399000", "small"}) {
      std::string content =
          "t\n" + (count == std::string("small") ? std::to_string(c.atoms.size()) : count) + "\n";
      char line[80];
      for (std::size_t i = 0; i < c.atoms.size(); ++i) {
        std::snprintf(line, sizeof line, "%5dALA     CA%5d   1.000   2.000   3.000\n",
                      c.residues[i], c.atoms[i]);
        content += line;
      }
      for (const LoadTuning& tuning : tunings) {
        const AtomTable table = load(write(content), tuning);
        ASSERT_EQ(table.size, c.atoms.size()) << c.what;
        EXPECT_EQ(table.residueWraps.points, c.residueWraps) << c.what << ", count " << count;
        EXPECT_EQ(table.atomWraps.points, c.atomWraps) << c.what << ", count " << count;
        // Either wrap makes the file one of true numbers past 99999.
        EXPECT_EQ(hasWrappedNumbers(table),
                  count != std::string("small") || !c.residueWraps.empty() || !c.atomWraps.empty())
            << c.what << ", count " << count;
        textio::units::closeUnit(kCoordinateUnit);
      }
    }
  }
}

TEST_F(LoaderTest, SmallSystemsAreNeverUnwrapped) {
  const AtomTable table =
      load(write(std::string("t\n3\n") + kWaterLine3 + kWaterLine1 + kWaterLine2));
  EXPECT_TRUE(table.atomWraps.points.empty());
  EXPECT_TRUE(table.residueWraps.points.empty());
}

TEST_F(LoaderTest, AStreamOfUnknownLengthGivesTheTableOfTheSameFile) {
  // More lines than are gathered at a time, numbers that wrap and unreadable lines: read
  // through a pipe, the table equals the one of the file. (The count is that of the lines:
  // the unit holds the pipe open for writing too, so no end of its data would come.)
  std::string content = "title\n120000\n";
  char line[80];
  for (int i = 1; i <= 120000; ++i) {
    std::snprintf(line, sizeof line, "%5dSOL     OW%5d%8.3f%8.3f%8.3f\n", (i / 3 + 1) % 100000,
                  i % 100000, (i % 9000) * 0.001, 1.0, -2.5);
    if (i % 7001 == 0) line[24] = 'x';  // a letter in the x field
    content += line;
  }
  const std::string path = write(content);
  const AtomTable fromFile = load(path);
  textio::units::closeUnit(kCoordinateUnit);
  ASSERT_EQ(fromFile.size, 120000u - 120000u / 7001);

  const std::string fifo = directory_ + "/coords.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    std::ofstream out(fifo, std::ios::binary);
    out << content;
  });
  const AtomTable fromStream = load(fifo);
  writer.join();
  ASSERT_EQ(fromStream.size, fromFile.size);
  EXPECT_EQ(std::memcmp(fromStream.records, fromFile.records, fromFile.size * sizeof(AtomRecord)),
            0);
  EXPECT_EQ(fromStream.atomWraps.points, fromFile.atomWraps.points);
  EXPECT_EQ(fromStream.residueWraps.points, fromFile.residueWraps.points);
  EXPECT_FALSE(fromFile.atomWraps.points.empty());
  // The record after the first unreadable line is the next line's.
  EXPECT_EQ(fromFile.records[7000].atomNumber, 7002);
}

struct BoxLineCase {
  const char* what;
  std::string content;
  LoadTuning tuning;
  std::optional<std::string> box;
};

TEST_F(LoaderTest, TheBoxLineIsTheLineAfterTheAtomLines) {
  const std::string atoms = std::string("t\n3\n") + kWaterLine1 + kWaterLine2 + kWaterLine3;
  const LoadTuning perLine{LoadTuning::Path::PerLine};
  // Blocks smaller than a line and parts of one line: the bulk path must give back exactly
  // the bytes after the last atom line it took.
  const LoadTuning tinyBlocks{LoadTuning::Path::Bulk, 2, 70, 1};
  const BoxLineCase cases[] = {
      {"bulk", atoms + "   1.86206   1.86206   1.86206\n", {}, "   1.86206   1.86206   1.86206"},
      {"per line", atoms + "   1.0   2.0   3.0\r\n", perLine, "   1.0   2.0   3.0"},
      {"tiny blocks", atoms + "   1.0   2.0   3.0\nnext frame\n", tinyBlocks, "   1.0   2.0   3.0"},
      {"without line end", atoms + "   4.0   5.0   6.0", {}, "   4.0   5.0   6.0"},
      {"empty box line", atoms + "\n", {}, ""},
      {"the file ends after the atoms", atoms, {}, std::nullopt},
      {"count larger than the lines", "t\n9\n" + std::string(kWaterLine1), {}, std::nullopt},
      {"count 0", "t\n0\n   1.0   2.0   3.0\n", {}, "   1.0   2.0   3.0"},
  };
  for (const BoxLineCase& c : cases) {
    (void)load(write(c.content), c.tuning);
    EXPECT_EQ(readBoxLine(), c.box) << c.what;
    textio::units::closeUnit(kCoordinateUnit);
  }
}

struct SpacingCase {
  const char* line;
  int spacing;
};

TEST(AtomLineSpacing, ThreeEvenlySpacedPointsFromColumn21) {
  // The points of an F(d).(d-5) field at column 21 lie in columns 25, 25+d, 25+2d.
  const SpacingCase cases[] = {
      {"    1SOL     OW    1   0.126   1.624   1.679  0.1227 -0.0580  0.0434", 0},
      {"    1SOL     OW    1   0.126   1.624   1.679", 0},
      {"    1SOL     OW    1   0.1260   1.6240   1.6790  0.12270 -0.05800  0.04340", 9},
      {"    1SOL     OW    1   0.12600   1.62400   1.67900  0.122700 -0.058000  0.043400", 10},
      {"    1SOL     OW    1   0.12600   1.62400   1.67900", 10},
      {"    1SOL     OW    1   0.1260000000   1.6240000000   1.6790000000", 15},
      {"    1SOL     OW    1   0.12600000000   1.62400000000   1.67900000000", 0},  // 16
      {"    1SOL     OW    1   0.12600   1.624   1.679", 0},                        // 10, then 8
      {"    1SOL     OW    1   0.126 1.624   1.679", 0},                            // 6, then 8
      {"    1SOL     OW    1   0.126   1.62400   1.67900", 0},                      // 8, then 10
      {"    1SOL     OW    1   0.12600   1.62400", 0},              // two points only
      {"    1A.B     O.1    1   0.126   1.624   1.679", 0},         // names may hold points
      {"    1A.B     O.1    1   0.12600   1.62400   1.67900", 10},  // and never count
      {"    1SOL     OW  12.   0.12600   1.62400   1.67900", 10},   // column 20 is not read
      // x without a point: y, z and the velocity's point, which lies a column nearer
      {"    1SOL     OW    1    126000   1.62400   1.67900  0.122700", 0},
      {"", 0},
      {"....................", 0},
  };
  for (const SpacingCase& c : cases) {
    EXPECT_EQ(atomLineSpacing(c.line), c.spacing) << "'" << c.line << "'";
  }
}

struct PrecisionCase {
  const char* what;
  std::string atomLines;
  int spacing;
  std::vector<std::array<float, 6>> values;  // x, y, z, vx, vy, vz of each record
};

TEST_F(LoaderTest, TheFirstAtomLineDecidesTheLayoutOfEveryLine) {
  const PrecisionCase cases[] = {
      {"five decimals",
       "    1SOL     OW    1   0.12600   1.62400  -1.67900  0.122700 -0.058000  0.043400\n"
       "    1SOL    HW1    2  12.34567   0.00001   2.5      1.234567\n",
       10,
       {{0.126f, 1.624f, -1.679f, 0.1227f, -0.058f, 0.0434f},
        {12.34567f, 0.00001f, 2.5f, 1.234567f, 0, 0}}},
      {"ten decimals",
       "    1SOL     OW    1   0.1234567891  -1.0000000001   3.0000000000\n",
       15,
       {{0.1234567891f, -1.0000000001f, 3.0f, 0, 0, 0}}},
      {"fields without a point take d-5 and d-4 decimals",
       "    1SOL     OW    1   1.00000   2.00000   3.00000\n"
       "    1SOL     OW    1    123456        -1         0    123456\n",
       10,
       {{1, 2, 3, 0, 0, 0}, {1.23456f, -0.00001f, 0, 0.123456f, 0, 0}}},
      {"an unreadable first line still decides",
       "    1SOL     OW    1   0.1x600   1.62400   1.67900\n"
       "    2SOL     OW    3   1.00000   2.00000   3.00000  0.100000\n",
       10,
       {{1, 2, 3, 0.1f, 0, 0}}},
      {"later lines are read in the first line's layout",
       "    1SOL     OW    1   0.12600   1.62400   1.67900\n"
       "    2SOL     OW    3   0.126   1.624   1.679\n",
       10,
       // columns 21-30, 31-40, 41-50 of the second line: "   0.126  ", " 1.624   1", ".679"
       {{0.126f, 1.624f, 1.679f, 0, 0, 0}, {0.126f, 1.6241f, 0.679f, 0, 0, 0}}},
      {"uneven points keep the standard layout",
       "    1SOL     OW    1   0.126 1.62400   1.679  0.1227\n"
       "    2SOL     OW    3   1.000   2.000   3.000\n",
       0,
       {{0.126f, 1.624f, 1.679f, 0.1227f, 0, 0}, {1, 2, 3, 0, 0, 0}}},
  };
  for (const PrecisionCase& c : cases) {
    const auto lines = std::count(c.atomLines.begin(), c.atomLines.end(), '\n');
    const AtomTable table = load(
        write("title\n" + std::to_string(lines) + "\n" + c.atomLines + "   3.0   3.0   3.0\n"));
    EXPECT_EQ(table.decimalSpacing, c.spacing) << c.what;
    ASSERT_EQ(table.size, c.values.size()) << c.what;
    for (std::size_t i = 0; i < table.size; ++i) {
      const AtomRecord& r = table.records[i];
      EXPECT_EQ((std::array<float, 6>{r.x, r.y, r.z, r.vx, r.vy, r.vz}), c.values[i])
          << c.what << ", record " << i;
    }
    textio::units::closeUnit(kCoordinateUnit);
  }
}

class LoaderFailure : public LoaderTest {};

TEST_F(LoaderFailure, EmptyAndOneLineFilesEndTheRunWithEndOfFile) {
  setenv("FOR_DISABLE_STACK_TRACE", "1", 1);
  for (const char* content : {"", "title only\n"}) {
    const std::string path = write(content);
    EXPECT_EXIT(
        load(path), ::testing::ExitedWithCode(24),
        "^forrtl: severe \\(24\\): end-of-file during read, unit 10, file " + path + "\r\n$")
        << "'" << content << "'";
  }
}

TEST_F(LoaderFailure, AnUnreadableCountIsAConversionError) {
  setenv("FOR_DISABLE_STACK_TRACE", "1", 1);
  const std::string path = write("title\n   ab\n");
  EXPECT_EXIT(load(path), ::testing::ExitedWithCode(64),
              "^forrtl: severe \\(64\\): input conversion error, unit 10, file " + path + "\r\n$");
}

}  // namespace
}  // namespace frames
