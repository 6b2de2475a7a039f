// Free-form statements: the records a write builds (blank column, 12-column integers, the
// record width, pending records), and readList/writeList end to end on real files and the
// console units, including the reports that end a failed statement.
#include "textio/freeform/free_form.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "textio/freeform/free_form_output.h"
#include "textio/units/unit.h"

namespace textio::freeform {
namespace {

// ---------------------------------------------------------------------------------------
// Record building without units.

class CollectingSink final : public RecordSink {
 public:
  void endRecord(std::string& record) override { records.push_back(record); }
  std::vector<std::string> records;
};

const std::string kAtomsText = "The number of atoms correspond condition is: ";

std::string blanks(std::size_t count) { return std::string(count, ' '); }
std::string letters(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char>('a' + i % 26);
  return text;
}

struct WriteCase {
  const char* name;
  std::string pending;  // columns left by non-advancing output
  std::vector<ListOutItem> items;
  std::vector<std::string> records;
  int status = 0;
  int width = units::kFreeFormRecordWidth;
};

// Items hold views: every text they refer to must outlive the test cases.
void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.name; }

class PlaceList : public ::testing::TestWithParam<WriteCase> {};

TEST_P(PlaceList, BuildsTheRecords) {
  const WriteCase& c = GetParam();
  std::string record = c.pending;
  CollectingSink sink;
  EXPECT_EQ(placeList(record, c.width, c.items, sink), c.status);
  EXPECT_EQ(sink.records, c.records);
  for (const std::string& written : sink.records) {
    if (c.pending.size() <= static_cast<std::size_t>(c.width)) {
      EXPECT_LE(written.size(), static_cast<std::size_t>(c.width));
    }
  }
}

struct CaseName {
  template <class Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& param) const {
    return param.param.name;
  }
};

const std::string kText79 = letters(79);
const std::string kText80 = letters(80);
const std::string kText200 = letters(200);
const std::string kText70 = letters(70);
const std::string kText69 = letters(69);
const std::string kText67 = letters(67);
const std::string kText26 = letters(26);
const std::string kText10 = letters(10);
const std::string kText9 = letters(9);
// Ten non-advancing six-column numbers 1..10 on list.ndx.
const std::string kTenNumbers = "     1     2     3     4     5     6     7     8     9    10";

INSTANTIATE_TEST_SUITE_P(
    Statements, PlaceList,
    ::testing::Values(
        // The tool's own statements.
        WriteCase{"Prompt", "", {"Select shape:"}, {" Select shape:"}},
        WriteCase{"NoItems", "", {}, {" "}},
        WriteCase{"CountLine",
                  "",
                  {kAtomsText, std::int32_t{42}},
                  // One blank, 46 characters of text, 12 columns holding 42: 58 in all.
                  {" " + kAtomsText + blanks(10) + "42"}},
        WriteCase{"IntegerToFile", "", {std::int32_t{1234}}, {"        1234"}},
        WriteCase{"Heading", "", {"[selected-atoms]"}, {" [selected-atoms]"}},
        WriteCase{"EndOfTenNumbers", kTenNumbers, {}, {kTenNumbers}},
        // Blank pending and item order.
        WriteCase{"EmptyText", "", {""}, {" "}},
        WriteCase{"TextsTouch", "", {"ab", "cd"}, {" abcd"}},
        WriteCase{"IntegerFirst", "", {std::int32_t{7}, "x"}, {"           7x"}},
        WriteCase{"TextThenNegative", "", {"a", std::int32_t{-5}}, {" a" + blanks(10) + "-5"}},
        WriteCase{"Zero", "", {std::int32_t{0}}, {blanks(11) + "0"}},
        WriteCase{"Lowest", "", {std::numeric_limits<std::int32_t>::min()}, {" -2147483648"}},
        WriteCase{"Largest", "", {std::int32_t{2147483647}}, {"  2147483647"}},
        WriteCase{"TextAfterPending", "  abc", {"x"}, {"  abc x"}},
        WriteCase{"IntegerAfterPending", "  abc", {std::int32_t{5}}, {"  abc" + blanks(11) + "5"}},
        // The 80-column record.
        WriteCase{"TextFillsRecord", "", {kText79}, {" " + kText79}},
        WriteCase{"TextFillsRest", "", {kText70, kText9}, {" " + kText70 + kText9}},
        WriteCase{"TextToNextRecord", "", {kText70, kText10}, {" " + kText70, " " + kText10}},
        WriteCase{
            "IntegerFillsRest", "", {kText67, std::int32_t{1}}, {" " + kText67 + blanks(11) + "1"}},
        WriteCase{"IntegerToNextRecord",
                  "",
                  {kText69, std::int32_t{1}},
                  {" " + kText69, blanks(11) + "1"}},
        WriteCase{"BlankAndTextFillPending", blanks(75), {"abcd"}, {blanks(75) + " abcd"}},
        WriteCase{"TextAfterFullPending", blanks(76), {"abcd"}, {blanks(76), " abcd"}},
        WriteCase{"LongPendingKept", blanks(90), {}, {blanks(90)}},
        WriteCase{"LongPendingThenText", blanks(90), {"a"}, {blanks(90), " a"}},
        // Texts longer than a record are split; every record has its blank; nothing lost.
        WriteCase{"Text80", "", {kText80}, {" " + kText80.substr(0, 79), " " + kText80.substr(79)}},
        WriteCase{"Text200",
                  "",
                  {kText200},
                  {" " + kText200.substr(0, 79), " " + kText200.substr(79, 79),
                   " " + kText200.substr(158)}},
        WriteCase{"Text200AfterText",
                  "",
                  {"ab", kText200},
                  {" ab", " " + kText200.substr(0, 79), " " + kText200.substr(79, 79),
                   " " + kText200.substr(158)}},
        WriteCase{"SplitThenText",
                  "",
                  {kText80, "z"},
                  {" " + kText80.substr(0, 79), " " + kText80.substr(79) + "z"}},
        // Other record widths (a unit opened with a record length).
        WriteCase{"Width20",
                  "",
                  {kText26},
                  {" " + kText26.substr(0, 19), " " + kText26.substr(19)},
                  0,
                  20},
        WriteCase{"Width12Integer", "", {std::int32_t{5}}, {blanks(11) + "5"}, 0, 12},
        WriteCase{"Width12IntegerAfterText",
                  "",
                  {"ab", std::int32_t{5}},
                  {" ab", blanks(11) + "5"},
                  0,
                  12},
        WriteCase{"Width2Empty", "", {}, {" "}, 0, 2},
        WriteCase{"Width1Empty", "", {}, {}, kListRecordOverflow, 1},
        WriteCase{"Width1Text", "", {"a"}, {}, kListRecordOverflow, 1},
        WriteCase{"Width11Integer", "", {std::int32_t{5}}, {}, kListRecordOverflow, 11}),
    CaseName{});

// ---------------------------------------------------------------------------------------
// Statements on units.

std::string makeTempDir() {
  std::string pattern = ::testing::TempDir() + "free_form_XXXXXX";
  const char* made = ::mkdtemp(pattern.data());
  EXPECT_NE(made, nullptr);
  return pattern;
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FreeFormUnits : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ::setenv("FOR_DISABLE_STACK_TRACE", "1", 1); }
  void SetUp() override { dir_ = makeTempDir(); }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string path(const char* name) const { return dir_ + "/" + name; }

  // Opens `unit` on a new file holding `bytes`; returns the file's path.
  std::string openInput(int unit, const char* name, const std::string& bytes) {
    const std::string file = path(name);
    writeFile(file, bytes);
    units::openUnit(unit, file, "OLD", "SEQUENTIAL");
    return file;
  }

  std::string dir_;
};

constexpr int kInputUnit = 20;
constexpr int kOutputUnit = 21;

TEST_F(FreeFormUnits, WritesRecordsWithCarriageReturnLineFeed) {
  const std::string file = path("out.txt");
  units::openUnit(kOutputUnit, file, "REPLACE");
  writeList(kOutputUnit, {"[selected-atoms]"});
  writeList(kOutputUnit, {});
  writeList(kOutputUnit, {std::int32_t{1234}});
  writeList(kOutputUnit, {kAtomsText, std::int32_t{42}});
  units::closeUnit(kOutputUnit);
  EXPECT_EQ(readFile(file),
            " [selected-atoms]\r\n \r\n        1234\r\n " + kAtomsText + blanks(10) + "42\r\n");
}

TEST_F(FreeFormUnits, ContinuesAPendingRecord) {
  const std::string file = path("list.ndx");
  units::openUnit(kOutputUnit, file, "REPLACE");
  // The state a run of non-advancing fixed-layout writes leaves behind.
  units::UnitEntry* entry = units::findUnit(kOutputUnit);
  ASSERT_NE(entry, nullptr);
  entry->record = kTenNumbers;
  entry->pending = true;
  writeList(kOutputUnit, {});
  EXPECT_FALSE(entry->pending);
  entry->record = "    11";
  entry->pending = true;
  writeList(kOutputUnit, {"x"});
  units::closeUnit(kOutputUnit);
  EXPECT_EQ(readFile(file), kTenNumbers + "\r\n    11 x\r\n");
}

TEST_F(FreeFormUnits, WithoutPendingMarkerARecordStartsEmpty) {
  const std::string file = path("out.txt");
  units::openUnit(kOutputUnit, file, "REPLACE");
  units::UnitEntry* entry = units::findUnit(kOutputUnit);
  ASSERT_NE(entry, nullptr);
  entry->record = "stale";
  entry->pending = false;
  writeList(kOutputUnit, {"a"});
  units::closeUnit(kOutputUnit);
  EXPECT_EQ(readFile(file), " a\r\n");
}

TEST_F(FreeFormUnits, ReadsAnswersWithCarriageReturnLineFeed) {
  openInput(kInputUnit, "answers.txt",
            "   my file.gro\r\n"
            "2.9\r\n"
            "\r\n"
            "  \r\n"
            "0.1,1.12,-99 , 99\r\n"
            "1 2.5 7\r\n"
            "'it''s here'\r\n"
            "\r\n"
            "3*2.5\r\n"
            "7\r\n"
            "last");
  std::string name(80, '#');
  std::int32_t shape = -7;
  std::vector<float> box(6, -7.0f);
  std::string quoted(80, '#');
  std::vector<float> three(4, -7.0f);
  std::string last(4, '#');
  readList(kInputUnit, {std::span<char>(name)});
  readList(kInputUnit, {&shape});
  readList(kInputUnit, {&box[0], &box[1], &box[2], &box[3], &box[4], &box[5]});
  readList(kInputUnit, {std::span<char>(quoted)});
  readList(kInputUnit, {});  // the empty line
  readList(kInputUnit, {&three[0], &three[1], &three[2], &three[3]});
  readList(kInputUnit, {std::span<char>(last)});
  units::closeUnit(kInputUnit);
  EXPECT_EQ(name, "my" + blanks(78));
  EXPECT_EQ(shape, 2);
  EXPECT_EQ(box, (std::vector<float>{0.1f, 1.12f, -99.0f, 99.0f, 1.0f, 2.5f}));
  EXPECT_EQ(quoted, "it's here" + blanks(71));
  // The repeat serves three items, the fourth comes from the next line.
  EXPECT_EQ(three, (std::vector<float>{2.5f, 2.5f, 2.5f, 7.0f}));
  // A last line without a line feed is a record.
  EXPECT_EQ(last, "last");
}

TEST_F(FreeFormUnits, EveryStatementStartsOnAFreshRecord) {
  openInput(kInputUnit, "values.txt", "1 2 3\r\n4 5\n6");
  float a = 0;
  float b = 0;
  float c = 0;
  readList(kInputUnit, {&a});
  readList(kInputUnit, {&b});
  readList(kInputUnit, {&c});
  units::closeUnit(kInputUnit);
  EXPECT_EQ(a, 1.0f);
  EXPECT_EQ(b, 4.0f);
  EXPECT_EQ(c, 6.0f);
}

TEST_F(FreeFormUnits, QuotedTextRunsOverALineEnd) {
  openInput(kInputUnit, "quoted.txt", "'my\r\nfile.gro'\r\nnext\r\n");
  std::string name(80, '#');
  std::string next(4, '#');
  readList(kInputUnit, {std::span<char>(name)});
  readList(kInputUnit, {std::span<char>(next)});
  units::closeUnit(kInputUnit);
  EXPECT_EQ(name, "myfile.gro" + blanks(70));
  EXPECT_EQ(next, "next");
}

TEST_F(FreeFormUnits, LongestCharacterValue) {
  const std::string value(2049, 'v');
  openInput(kInputUnit, "long.txt", value + "\r\n'" + value + "'\r\n");
  std::string plain(2049, '#');
  std::string quoted(2049, '#');
  readList(kInputUnit, {std::span<char>(plain)});
  readList(kInputUnit, {std::span<char>(quoted)});
  units::closeUnit(kInputUnit);
  EXPECT_EQ(plain, value);
  EXPECT_EQ(quoted, value);
}

TEST_F(FreeFormUnits, ConsoleOutputIsThereWhenTheStatementEnds) {
  const std::string file = path("console.txt");
  ASSERT_EQ(units::findUnit(units::kConsoleOutputUnit), nullptr)
      << "console output already connected";
  ::setenv("FOR_PRINT", file.c_str(), 1);
  writeList(units::kConsoleOutputUnit, {"Select shape:"});
  EXPECT_EQ(readFile(file), " Select shape:\r\n");
  writeList(units::kConsoleOutputUnit, {});
  EXPECT_EQ(readFile(file), " Select shape:\r\n \r\n");
  ::unsetenv("FOR_PRINT");
  units::closeUnit(units::kConsoleOutputUnit);
}

// Failures end the process with the report line on standard error and the report number as
// exit status.

struct FailureCase {
  const char* name;
  std::string bytes;
  char kind;  // f float, i integer, c 80-character text, n no items; upper case: two items
  int report;
  const char* message;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class ReadFailures : public FreeFormUnits, public ::testing::WithParamInterface<FailureCase> {};

void readItems(int unit, char kind) {
  float f[2] = {0, 0};
  std::int32_t i[2] = {0, 0};
  std::string c(80, ' ');
  std::string d(80, ' ');
  switch (kind) {
    case 'f':
      readList(unit, {&f[0]});
      break;
    case 'F':
      readList(unit, {&f[0], &f[1]});
      break;
    case 'i':
      readList(unit, {&i[0]});
      break;
    case 'c':
      readList(unit, {std::span<char>(c)});
      break;
    case 'C':
      readList(unit, {std::span<char>(c), std::span<char>(d)});
      break;
    default:
      readList(unit, {});
  }
}

std::string escapeRegex(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (std::string_view(".[]{}()\\*+?|^$").find(c) != std::string_view::npos) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// The whole of standard error: the report line alone (no traceback).
std::string reportPattern(int report, const char* message, int unit, const std::string& file) {
  std::ostringstream pattern;
  pattern << "^forrtl: severe \\(" << report << "\\): " << message << ", unit " << unit << ", file "
          << escapeRegex(file) << "\r?\n$";
  return pattern.str();
}

TEST_P(ReadFailures, FileUnit) {
  const FailureCase& c = GetParam();
  const std::string file = path("input.txt");
  writeFile(file, c.bytes);
  EXPECT_EXIT(
      {
        units::openUnit(kInputUnit, file, "OLD", "SEQUENTIAL");
        readItems(kInputUnit, c.kind);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(c.report), reportPattern(c.report, c.message, kInputUnit, file));
}

TEST_P(ReadFailures, ConsoleUnit) {
  const FailureCase& c = GetParam();
  const std::string file = path("typed.txt");
  writeFile(file, c.bytes);
  EXPECT_EXIT(
      {
        ::unsetenv("FOR_READ");
        const int fd = ::open(file.c_str(), O_RDONLY);
        if (fd < 0 || ::dup2(fd, STDIN_FILENO) < 0) std::_Exit(99);
        readItems(units::kConsoleInputUnit, c.kind);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(c.report),
      reportPattern(c.report, c.message, units::kConsoleInputUnit, "CONIN$"));
}

constexpr const char* kEnd = "end-of-file during read";
constexpr const char* kSyntax = "list-directed I/O syntax error";
constexpr const char* kConversion = "input conversion error";

INSTANTIATE_TEST_SUITE_P(
    Reports, ReadFailures,
    ::testing::Values(
        FailureCase{"NoInput", "", 'f', 24, kEnd},
        FailureCase{"NoInputForEmptyList", "", 'n', 24, kEnd},
        FailureCase{"OnlyEmptyLines", "\r\n\r\n  \r\n", 'i', 24, kEnd},
        FailureCase{"InputEndsBeforeSecondValue", "1\r\n", 'F', 24, kEnd},
        FailureCase{"ControlZAlone", "\x1a\r\n5\r\n", 'f', 24, kEnd},
        FailureCase{"ControlZAloneForEmptyList", "\x1a\n", 'n', 24, kEnd},
        FailureCase{"ControlZAfterValue", "1\r\n\x1a\r\n2\r\n", 'F', 24, kEnd},
        FailureCase{"EndInsideQuotedText", "'my file\r\n", 'c', 24, kEnd},
        FailureCase{"Letters", "abc\r\n", 'i', 59, kSyntax},
        FailureCase{"TooLongValue", std::string(2050, 'v') + "\r\n", 'c', 59, kSyntax},
        FailureCase{"TooLongQuoted", "'" + std::string(2050, 'v') + "'\r\n", 'c', 59, kSyntax},
        FailureCase{"RepeatedUnquoted", "2*ab\r\n", 'C', 59, kSyntax},
        FailureCase{"BeyondInteger", "2147483648\r\n", 'i', 64, kConversion},
        FailureCase{"QuotedInteger", "'2'\r\n", 'i', 64, kConversion},
        FailureCase{"QuotedFloat", "\"2\"\r\n", 'f', 64, kConversion},
        FailureCase{"BeyondSingle", "1e39\r\n", 'f', 64, kConversion}),
    CaseName{});

TEST_F(FreeFormUnits, ReadFailureOfThePlatform) {
  // A directory opens for reading but cannot be read.
  EXPECT_EXIT(
      {
        ::unsetenv("FOR_READ");
        const int fd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0 || ::dup2(fd, STDIN_FILENO) < 0) std::_Exit(99);
        float value = 0;
        readList(units::kConsoleInputUnit, {&value});
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(39),
      "forrtl: severe \\(39\\): error during read, unit -4, file CONIN\\$");
}

}  // namespace
}  // namespace textio::freeform
