// Result writers: each region line, the count lines, atom lines, list.ndx rows of ten and
// residue.txt, compared with texts worked out by hand from the field rules.
#include "results/result_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "results/atom_writer.h"
#include "results/index_file.h"
#include "results/residue_file.h"
#include "results/result_gro.h"
#include "table_views.h"
#include "textio/units/unit.h"

namespace results {
namespace {

class ResultFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = ::testing::TempDir();
    if (templ.empty() || templ.back() != '/') templ += '/';
    templ += "gro-results-XXXXXX";
    std::vector<char> buffer(templ.begin(), templ.end());
    buffer.push_back('\0');
    ASSERT_NE(mkdtemp(buffer.data()), nullptr);
    directory_ = buffer.data();
  }
  void TearDown() override {
    for (int unit : {kResultUnit, kIndexUnit, kResidueUnit}) textio::units::closeUnit(unit);
    (void)std::system(("rm -rf '" + directory_ + "'").c_str());
  }
  std::string path(const char* name) const { return directory_ + "/" + name; }
  void open(int unit, const char* name) { textio::units::openUnit(unit, path(name), "REPLACE"); }
  std::string contentOf(int unit, const char* name) {
    textio::units::closeUnit(unit);
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string directory_;
};

selection::RunState answers(std::int32_t shape, const char* atom, const char* residue) {
  selection::RunState state;
  state.shape = shape;
  std::memcpy(state.names.atomName.data(), atom, 5);
  std::memcpy(state.names.residueName.data(), residue, 5);
  return state;
}

struct RegionCase {
  const char* what;
  std::int32_t shape;
  std::vector<float> numbers;  // in the order typed
  const char* expected;        // without CR LF; "" for no line
};

TEST_F(ResultFilesTest, RegionLineOfEveryShape) {
  const RegionCase cases[] = {
      {"box, minima first",
       1,
       {0.1f, 1.12f, -99, 99, 1, 2.5f},
       "x/y/z-min/max   0.10-99.00  1.00  1.12 99.00  2.50 atom:OW   resid:SOL  "},
      {"invert box",
       3,
       {0.1f, 1.12f, -99, 99, 1, 2.5f},
       "invert x/y/z-min/max   0.10-99.00  1.00  1.12 99.00  2.50 atom:OW   resid:SOL  "},
      {"box too wide for F6.2",
       1,
       {-100, 1000, 0, 0, 0.125f, 0.375f},
       "x/y/z-min/max ******  0.00  0.12******  0.00  0.38 atom:OW   resid:SOL  "},
      {"ball",
       2,
       {2.3f, 3.3f, 1.8f, 4},
       "x/y/z of center  2.30  3.30  1.80 radius 4.00atom: OW    residue:SOL  "},
      {"invert ball",
       4,
       {2.3f, 3.3f, 1.8f, 4},
       "invert x/y/z of center  2.30  3.30  1.80 radius 4.00atom: OW   residue: SOL  "},
      {"ball radius 100 in F5.2",
       2,
       {0, 0, 0, 100},
       "x/y/z of center  0.00  0.00  0.00 radius*****atom: OW    residue:SOL  "},
      {"cylinder",
       5,
       {3.5f, 0, 6.0f, 5.8f, 4.5f},
       "r/zmin/zmax/x/y of axis   3.5  0.0  6.0  5.8  4.5 atom:OW   resid:SOL  "},
      {"invert cylinder, F5.1 ties and asterisks",
       6,
       {0.25f, 0.35f, -0.04f, 1000, -99.94f},
       "invert r/zmin/zmax/x/y of axis   0.2  0.3  0.0*****-99.9 atom:OW   resid:SOL  "},
      {"shape 7 writes nothing", 7, {}, ""},
  };
  for (const RegionCase& c : cases) {
    open(kResultUnit, "result.gro");
    selection::RunState state = answers(c.shape, "OW   ", "SOL  ");
    float* target = c.shape == 1 || c.shape == 3   ? state.parameters.box.data()
                    : c.shape == 2 || c.shape == 4 ? state.parameters.ball.data()
                                                   : state.parameters.cylinder.data();
    for (std::size_t i = 0; i < c.numbers.size(); ++i) target[i] = c.numbers[i];
    writeRegionLine(state);
    const std::string expected = *c.expected ? std::string(c.expected) + "\r\n" : "";
    EXPECT_EQ(contentOf(kResultUnit, "result.gro"), expected) << c.what;
  }
}

TEST_F(ResultFilesTest, CountLineByAnswer) {
  struct Case {
    selection::WholeResidues answer;
    std::int64_t count;
    NumberLayout layout;
    const char* expected;
  };
  const Case cases[] = {
      {selection::WholeResidues::No, 1234, NumberLayout::FiveColumn, "        1234\r\n"},
      {selection::WholeResidues::Other, 7, NumberLayout::FiveColumn, "           7\r\n"},
      {selection::WholeResidues::Yes, 1234, NumberLayout::FiveColumn, " 1234\r\n"},
      {selection::WholeResidues::Yes, 0, NumberLayout::FiveColumn, "    0\r\n"},
      {selection::WholeResidues::Yes, 123456, NumberLayout::Wide, "123456\r\n"},
      {selection::WholeResidues::Yes, 42, NumberLayout::Wide, "   42\r\n"},
      {selection::WholeResidues::No, 123456, NumberLayout::Wide, "      123456\r\n"},
  };
  for (const Case& c : cases) {
    open(kResultUnit, "result.gro");
    selection::RunState state;
    state.wholeResidues = c.answer;
    writeCountLine(state, c.count, c.layout);
    EXPECT_EQ(contentOf(kResultUnit, "result.gro"), c.expected) << c.count;
  }
}

frames::AtomRecord water(std::int32_t residue, const char* atom, std::int32_t number) {
  frames::AtomRecord r{};
  r.residueNumber = residue;
  std::memcpy(r.residueName, "SOL  ", 5);
  std::memcpy(r.atomName, atom, 5);
  r.atomNumber = number;
  r.x = 0.126f;
  r.y = 1.6244f;   // four decimals: rounded to three
  r.z = -0.0004f;  // rounds to zero: no sign
  r.vx = 0.1227f;
  r.vy = -0.058f;
  r.vz = 0.0f;
  return r;
}

std::string indexRows(const std::vector<std::string>& rows) {
  std::string text = " [selected-atoms]\r\n";
  for (const std::string& row : rows) text += row + "\r\n";
  return text;
}

std::string sixColumns(int first, int last) {
  std::string row;
  for (int n = first; n <= last; ++n) {
    std::string number = std::to_string(n);
    row += std::string(6 - number.size(), ' ') + number;
  }
  return row;
}

TEST_F(ResultFilesTest, AtomLinesAndIndexRowsOfTen) {
  struct Case {
    int selected;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {0, {}},
      {9, {sixColumns(1, 9)}},
      {10, {sixColumns(1, 10)}},
      {20, {sixColumns(1, 10), sixColumns(11, 20)}},
      {23, {sixColumns(1, 10), sixColumns(11, 20), sixColumns(21, 23)}},
      {25, {sixColumns(1, 10), sixColumns(11, 20), sixColumns(21, 25)}},
  };
  const std::string atomLine =
      "    7SOL     OW    1   0.126   1.624   0.000  0.1227 -0.0580  0.0000\r\n";
  for (const Case& c : cases) {
    open(kResultUnit, "result.gro");
    open(kIndexUnit, "list.ndx");
    writeIndexHeading();
    for (int i = 1; i <= c.selected; ++i) {
      acceptAtom(water(7, "   OW", 1), i, i, NumberLayout::FiveColumn);
    }
    std::string expectedAtoms;
    for (int i = 0; i < c.selected; ++i) expectedAtoms += atomLine;
    EXPECT_EQ(contentOf(kResultUnit, "result.gro"), expectedAtoms) << c.selected;
    EXPECT_EQ(contentOf(kIndexUnit, "list.ndx"), indexRows(c.rows)) << c.selected;
  }
}

TEST_F(ResultFilesTest, IndexUsesTheGivenAtomNumber) {
  open(kResultUnit, "result.gro");
  open(kIndexUnit, "list.ndx");
  acceptAtom(water(1, "   OW", 99999), 1, 99999, NumberLayout::FiveColumn);
  acceptAtom(water(1, "  HW1", 0), 2, 100000, NumberLayout::Wide);
  acceptAtom(water(1, "  HW2", 1), 3, 1234567, NumberLayout::Wide);
  EXPECT_EQ(contentOf(kIndexUnit, "list.ndx"), " 99999 100000 1234567\r\n");
  // The atom lines keep the five-column numbers as read.
  const std::string result = contentOf(kResultUnit, "result.gro");
  EXPECT_NE(result.find("    1SOL    HW2    1"), std::string::npos) << result;
  EXPECT_NE(result.find("    1SOL    HW1    0"), std::string::npos) << result;
}

TEST_F(ResultFilesTest, AtomLinesKeepTheDecimalsTheyWereReadWith) {
  // Positions F(d).(d-5), velocities F(d).(d-4); the expected text is the C library's
  // rounding of the same floats.
  const frames::AtomRecord record = water(7, "   OW", 1);
  for (int width : {frames::kNarrowestWideSpacing, 10, 12, frames::kWidestSpacing}) {
    char expected[256];
    std::snprintf(expected, sizeof expected, "%5d%-5s%5s%5d%*.*f%*.*f%*.*f%*.*f%*.*f%*.*f\r\n", 7,
                  "SOL", "OW", 1, width, width - 5, double{record.x}, width, width - 5,
                  double{record.y}, width, width - 5, double{record.z}, width, width - 4,
                  double{record.vx}, width, width - 4, double{record.vy}, width, width - 4,
                  double{record.vz});
    open(kResultUnit, "result.gro");
    open(kIndexUnit, "list.ndx");
    acceptAtom(record, 1, 1, NumberLayout::FiveColumn, frames::atomLineLayout(width));
    EXPECT_EQ(contentOf(kResultUnit, "result.gro"), expected) << width;
    textio::units::closeUnit(kIndexUnit);
  }
}

// A table of `atoms` waters' atoms with numbers modulo 100000 and positions of every sign.
std::vector<frames::AtomRecord> generatedAtoms(std::size_t atoms) {
  std::vector<frames::AtomRecord> records(atoms);
  for (std::size_t i = 0; i < atoms; ++i) {
    frames::AtomRecord& r = records[i];
    r.residueNumber = static_cast<std::int32_t>((i / 3 + 1) % 100000);
    std::memcpy(r.residueName, "SOL  ", 5);
    std::memcpy(r.atomName, i % 3 == 0 ? "   OW" : "  HW1", 5);
    r.atomNumber = static_cast<std::int32_t>((i + 1) % 100000);
    r.x = static_cast<float>(i % 9001) * 0.001f - 2.0f;
    r.y = static_cast<float>(i) * 0.0071f;
    r.z = -static_cast<float>(i % 77) * 0.0133f;
    r.vx = static_cast<float>(i % 13) * 0.0123f;
    r.vy = -0.5f;
    r.vz = static_cast<float>(i % 5) * 0.1f;
  }
  return records;
}

std::vector<std::uint64_t> bitsWhere(std::size_t atoms,
                                     const std::function<bool(std::size_t)>& on) {
  std::vector<std::uint64_t> bits((atoms + 63) / 64);
  for (std::size_t i = 0; i < atoms; ++i) {
    if (on(i)) bits[i / 64] |= std::uint64_t{1} << (i % 64);
  }
  return bits;
}

// One acceptAtom per selected atom, the reference the bulk writer must equal.
void writeAtomByAtom(const frames::AtomTable& table, const std::vector<std::uint64_t>& bits,
                     NumberLayout layout, textio::layouts::FixedLayout atomLine) {
  frames::WrapCursor offsets(table.atomWraps);
  std::int64_t ordinal = 0;
  for (std::size_t i = 0; i < table.size; ++i) {
    const std::int32_t offset = offsets.next();
    if ((bits[i / 64] >> (i % 64) & 1) == 0) continue;
    acceptAtom(table.records[i], ++ordinal, table.records[i].atomNumber + offset, layout, atomLine);
  }
}

// Selections over many pieces and rounds of the bulk writer, five-column and wide numbers
// (with wraps) and wider decimals: the same result.gro and list.ndx as a statement per atom.
TEST_F(ResultFilesTest, BulkWriterGivesTheFilesOfAStatementPerAtom) {
  constexpr std::size_t kAtoms = 120000;
  std::vector<frames::AtomRecord> records = generatedAtoms(kAtoms);
  frames::AtomTable table = testsupport::tableOf(records);
  table.atomWraps.points = {99999};
  struct Selection {
    const char* what;
    std::function<bool(std::size_t)> on;
  };
  const Selection selections[] = {
      {"none", [](std::size_t) { return false; }},
      {"all", [](std::size_t) { return true; }},
      {"oxygens", [](std::size_t i) { return i % 3 == 0; }},
      {"runs", [](std::size_t i) { return i % 300 < 30; }},
      {"scattered", [](std::size_t i) { return (i * 2654435761u) % 97 == 0; }},
      {"last atom", [](std::size_t i) { return i == kAtoms - 1; }},
  };
  struct Layout {
    NumberLayout numbers;
    int spacing;
  };
  for (const Layout& layout : {Layout{NumberLayout::FiveColumn, 0}, Layout{NumberLayout::Wide, 0},
                               Layout{NumberLayout::Wide, 11}}) {
    for (const Selection& selection : selections) {
      SCOPED_TRACE(testing::Message() << selection.what << ", spacing " << layout.spacing);
      const std::vector<std::uint64_t> bits = bitsWhere(kAtoms, selection.on);
      std::string expected[2];
      // 0: by statements; then the bulk writer on 1, 2 and 3 threads, whatever the machine's
      // cores (the calling thread builds pieces alongside the crew).
      for (const unsigned threads : {0u, 1u, 2u, 3u}) {
        open(kResultUnit, "result.gro");
        open(kIndexUnit, "list.ndx");
        writeIndexHeading();
        if (threads != 0) {
          SelectedAtomWriter writer(layout.numbers, frames::atomLineLayout(layout.spacing),
                                    threads);
          writer.write(table, bits);
        } else {
          writeAtomByAtom(table, bits, layout.numbers, frames::atomLineLayout(layout.spacing));
        }
        writeLastLine(selection::RunState{});
        const std::string written[2] = {contentOf(kResultUnit, "result.gro"),
                                        contentOf(kIndexUnit, "list.ndx")};
        if (threads == 0) {
          expected[0] = written[0];
          expected[1] = written[1];
          continue;
        }
        EXPECT_TRUE(written[0] == expected[0]) << "result.gro differs, threads " << threads;
        EXPECT_TRUE(written[1] == expected[1]) << "list.ndx differs, threads " << threads;
      }
    }
  }
}

// A write that fails ends the run where a statement per atom would have ended it: the other
// file holds exactly the atoms it would have held. Each run is a child process, since a
// failed write ends the process.
TEST_F(ResultFilesTest, AFailedWriteLeavesTheOtherFileAsAStatementPerAtomWould) {
  constexpr std::size_t kAtoms = 60000;
  std::vector<frames::AtomRecord> records = generatedAtoms(kAtoms);
  const frames::AtomTable table = testsupport::tableOf(records);
  struct Case {
    const char* what;
    int failing;
    std::size_t before;      // bytes of result.gro written first, as one record
    std::size_t firstAtoms;  // all of these selected; 0: six atoms in seven over the table
  };
  // After a 30 570-byte record, the 500th line of 70 bytes brings result.gro's buffer to
  // 64 KiB: its hand-over fails after the last atom of a one-piece selection.
  const Case cases[] = {
      {"result.gro fails", kResultUnit, 0, 0},
      {"list.ndx fails", kIndexUnit, 0, 0},
      {"result.gro fails after the last atom", kResultUnit, 30570, 500},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint64_t> bits = bitsWhere(
        kAtoms, [&c](std::size_t i) { return c.firstAtoms > 0 ? i < c.firstAtoms : i % 7 != 3; });
    std::string left[2];
    for (const bool bulk : {false, true}) {
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        ::freopen("/dev/null", "w", stderr);
        textio::units::openUnit(
            kResultUnit, c.failing == kResultUnit ? "/dev/full" : path("result.gro"), "UNKNOWN");
        textio::units::openUnit(
            kIndexUnit, c.failing == kIndexUnit ? "/dev/full" : path("list.ndx"), "UNKNOWN");
        if (c.before > 0)
          textio::units::writeText(kResultUnit, std::string(c.before - 2, 'x') + "\r\n");
        if (bulk) {
          writeSelectedAtoms(table, bits, NumberLayout::FiveColumn);
        } else {
          writeAtomByAtom(table, bits, NumberLayout::FiveColumn, textio::layouts::kAtomLine);
        }
        ::_exit(0);  // not reached: the failed write ends the run
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_NE(WEXITSTATUS(status), 0) << c.what;
      std::ifstream in(path(c.failing == kResultUnit ? "list.ndx" : "result.gro"),
                       std::ios::binary);
      left[bulk ? 1 : 0] = {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      std::remove(path("list.ndx").c_str());
      std::remove(path("result.gro").c_str());
    }
    EXPECT_FALSE(left[0].empty()) << c.what;
    EXPECT_TRUE(left[1] == left[0])
        << c.what << ": " << left[1].size() << " bytes, not " << left[0].size();
  }
}

// The columns of a number's text at every power of ten and the ends of the 64-bit range.
TEST(DecimalWidth, EveryPowerOfTenAndTheEnds) {
  EXPECT_EQ(decimalWidth(0), 1);
  EXPECT_EQ(decimalWidth(std::numeric_limits<std::int64_t>::max()), 19);
  EXPECT_EQ(decimalWidth(std::numeric_limits<std::int64_t>::min()), 20);
  std::int64_t power = 10;
  for (int digits = 2; digits <= 19; ++digits, power *= 10) {
    EXPECT_EQ(decimalWidth(power - 1), digits - 1) << power;
    EXPECT_EQ(decimalWidth(power), digits) << power;
    EXPECT_EQ(decimalWidth(-power), digits + 1) << power;
    if (digits == 19) break;  // 10^19 is past the range
  }
  EXPECT_EQ(indexFieldWidth(123456, NumberLayout::Wide), 7);
}

TEST_F(ResultFilesTest, LastLineIsTheBoxMaxima) {
  struct Case {
    std::array<float, 6> box;
    const char* expected;
  };
  const Case cases[] = {
      {{0.1f, 1.12f, -99, 99, 1, 2.5f}, "   1.12000  99.00000   2.50000\r\n"},
      {{0, 0, 0, 0, 0, 0}, "   0.00000   0.00000   0.00000\r\n"},
      {{0, -0.000004f, 0, 123456, 0, -0.000006f}, "   0.00000**********  -0.00001\r\n"},
  };
  for (const Case& c : cases) {
    open(kResultUnit, "result.gro");
    selection::RunState state;
    state.parameters.box = c.box;
    writeLastLine(state);
    EXPECT_EQ(contentOf(kResultUnit, "result.gro"), c.expected);
  }
}

TEST_F(ResultFilesTest, ResidueFileKeepsOrderAndRepeats) {
  open(kResidueUnit, "residue.txt");
  writeResidueFile({5, 6, 5, -12, 99999}, NumberLayout::FiveColumn);
  EXPECT_EQ(contentOf(kResidueUnit, "residue.txt"),
            "     5\r\n     6\r\n     5\r\n   -12\r\n 99999\r\n");
  open(kResidueUnit, "residue.txt");
  writeResidueFile({100001, 1234567, 7}, NumberLayout::Wide);
  EXPECT_EQ(contentOf(kResidueUnit, "residue.txt"), "100001\r\n1234567\r\n     7\r\n");
  // Lists longer than a block of the writer, every width of both layouts.
  selection::ResidueList list;
  for (std::int32_t i = 0; i < 9000; ++i) list.push_back(i * 7919 % 2000003 - 1000);
  list.push_back(std::numeric_limits<std::int32_t>::min());
  list.push_back(std::numeric_limits<std::int32_t>::max());
  for (const NumberLayout layout : {NumberLayout::FiveColumn, NumberLayout::Wide}) {
    std::string expected;
    for (const std::int32_t number : list) {
      char line[24];
      const int width =
          layout == NumberLayout::Wide ? 6 : (number < -99999 || number > 999999 ? 0 : 6);
      if (width == 0) {
        expected += "******\r\n";
        continue;
      }
      std::snprintf(line, sizeof line, "%*d\r\n", width, number);
      expected += line;
    }
    open(kResidueUnit, "residue.txt");
    writeResidueFile(list, layout);
    EXPECT_EQ(contentOf(kResidueUnit, "residue.txt"), expected);
  }
}

}  // namespace
}  // namespace results
