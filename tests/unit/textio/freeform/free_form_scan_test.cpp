// Free-form value scanning on in-memory records: every answer form the dialogue meets
// (separators, null values, slash, repeat counts, texts, numbers) and the failure numbers.
#include "textio/freeform/free_form_scan.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace textio::freeform {
namespace {

// Hands out the lines one by one, each in a fresh allocation that is freed at the next
// call, so that a scanner holding on to an old record shows up under AddressSanitizer.
class LinesSource final : public RecordSource {
 public:
  explicit LinesSource(std::vector<std::string> lines, int endStatus = kListEndOfFile)
      : lines_(std::move(lines)), endStatus_(endStatus) {}

  int next(std::string_view& line) override {
    ++calls_;
    current_.reset();
    if (taken_ == lines_.size()) return endStatus_;
    current_ = std::make_unique<std::string>(lines_[taken_++]);
    line = *current_;
    return 0;
  }

  std::size_t taken() const { return taken_; }
  std::size_t calls() const { return calls_; }

 private:
  std::vector<std::string> lines_;
  int endStatus_;
  std::size_t taken_ = 0;
  std::size_t calls_ = 0;
  std::unique_ptr<std::string> current_;
};

constexpr float kUnsetFloat = -7.0f;
constexpr std::int32_t kUnsetInteger = -7;
constexpr char kUnsetChar = '#';

// Test names from the cases' own names.
struct CaseName {
  template <class Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& param) const {
    return param.param.name;
  }
};

std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }

// ---------------------------------------------------------------------------------------
// Float items. An empty optional means the item keeps its value.

struct FloatCase {
  const char* name;
  std::vector<std::string> records;
  std::vector<std::optional<float>> expected;
  int status = 0;
  std::size_t taken = 1;  // records the statement consumed
};

class FloatItems : public ::testing::TestWithParam<FloatCase> {};

TEST_P(FloatItems, AssignsEachValue) {
  const FloatCase& c = GetParam();
  std::vector<float> values(c.expected.size(), kUnsetFloat);
  std::vector<ListInItem> items;
  for (float& value : values) items.emplace_back(&value);
  LinesSource source(c.records);
  EXPECT_EQ(scanList(source, items), c.status);
  EXPECT_EQ(source.taken(), c.taken);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const float want = c.expected[i].value_or(kUnsetFloat);
    EXPECT_EQ(bits(values[i]), bits(want)) << "item " << i << ": " << values[i] << " vs " << want;
  }
}

const std::optional<float> kKept;

INSTANTIATE_TEST_SUITE_P(
    Answers, FloatItems,
    ::testing::Values(
        // Region numbers in the separator forms a user types.
        FloatCase{"Commas", {"0.1,1.12,-99,99,1,2.5"}, {0.1f, 1.12f, -99.0f, 99.0f, 1.0f, 2.5f}},
        FloatCase{"Blanks", {"0.1 1.12 -99 99 1 2.5"}, {0.1f, 1.12f, -99.0f, 99.0f, 1.0f, 2.5f}},
        FloatCase{"CommasWithBlanks",
                  {"  0.1 , 1.12 ,-99,  99 ,\t1,2.5  "},
                  {0.1f, 1.12f, -99.0f, 99.0f, 1.0f, 2.5f}},
        FloatCase{
            "Tabs", {"0.1\t1.12\t\t-99\t99\t1\t2.5"}, {0.1f, 1.12f, -99.0f, 99.0f, 1.0f, 2.5f}},
        FloatCase{"OverTwoLines", {"1 2", "3 4"}, {1.0f, 2.0f, 3.0f, 4.0f}, 0, 2},
        FloatCase{"SeventhDiscardedWithItsLine",
                  {"1 2 3 4 5 6 7", "8"},
                  {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f}},
        FloatCase{"EmptyLinesSkipped", {"", "   ", "\t", "5"}, {5.0f}, 0, 4},
        // Null values and slash.
        FloatCase{"NullBetweenCommas", {"1,,3"}, {1.0f, kKept, 3.0f}},
        FloatCase{"NullBetweenCommasWithBlank", {"1, ,3"}, {1.0f, kKept, 3.0f}},
        FloatCase{"LeadingCommaIsNull", {",2"}, {kKept, 2.0f}},
        FloatCase{"LeadingCommaAfterBlanks", {"  ,2"}, {kKept, 2.0f}},
        FloatCase{"TwoLeadingCommas", {",,2"}, {kKept, kKept, 2.0f}},
        FloatCase{"ThreeCommas", {"1,,,4"}, {1.0f, kKept, kKept, 4.0f}},
        FloatCase{"TrailingCommaThenCommaOnNextLine", {"1,", ",3"}, {1.0f, kKept, 3.0f}, 0, 2},
        FloatCase{"CommaOpeningContinuationSeparates", {"1", ",3"}, {1.0f, 3.0f}, 0, 2},
        FloatCase{"CommaOpeningSecondRecordSeparates", {"", ",3"}, {3.0f}, 0, 2},
        FloatCase{"SlashKeepsTheRest", {"1/"}, {1.0f, kKept, kKept, kKept}},
        FloatCase{"SlashFirst", {"/ 5"}, {kKept, kKept}},
        FloatCase{"SlashAfterNull", {",/"}, {kKept, kKept}},
        FloatCase{"SlashStopsBeforeLaterValues", {"1/2"}, {1.0f, kKept}},
        FloatCase{"SlashOnSecondLine", {"1", "/", "9"}, {1.0f, kKept}, 0, 2},
        // Repeat counts.
        FloatCase{"RepeatThenValue", {"3*2.5 7"}, {2.5f, 2.5f, 2.5f, 7.0f}},
        FloatCase{"RepeatedNullsAtLineEnd", {"2*"}, {kKept, kKept}},
        FloatCase{"RepeatedNullsThenComma", {"2*,5"}, {kKept, kKept, 5.0f}},
        FloatCase{"RepeatedNullsThenBlank", {"2* 5"}, {kKept, kKept, 5.0f}},
        FloatCase{"RepeatLongerThanList", {"5*1"}, {1.0f, 1.0f}},
        FloatCase{"RepeatThenNextLine", {"2*1", "3"}, {1.0f, 1.0f, 3.0f}, 0, 2},
        FloatCase{"HugeRepeatCount", {"99999999999999999999*4"}, {4.0f, 4.0f, 4.0f}},
        // Number forms.
        FloatCase{"IntegerFormIsWholeValue", {"5"}, {5.0f}},
        FloatCase{"TrailingPoint", {"1."}, {1.0f}}, FloatCase{"LeadingPoint", {".5"}, {0.5f}},
        FloatCase{"NegativeLeadingPoint", {"-.5"}, {-0.5f}}, FloatCase{"PlusSign", {"+3"}, {3.0f}},
        FloatCase{"ExponentE", {"3.5e1"}, {35.0f}}, FloatCase{"ExponentD", {"3.5D0"}, {3.5f}},
        FloatCase{"ExponentQ", {"2.5q0"}, {2.5f}},
        FloatCase{"SignedExponent", {"-1.5d-1 1E+2"}, {-0.15f, 100.0f}},
        FloatCase{"ExponentLetterAlone", {"5e"}, {5.0f}},
        FloatCase{"EndsAtParenthesis", {"1)"}, {1.0f}},
        FloatCase{"NegativeZero", {"-0.0"}, {-0.0f}},
        FloatCase{"UnderflowToZero", {"1e-400 -1e-400"}, {0.0f, -0.0f}},
        FloatCase{"Subnormal", {"1e-45"}, {std::numeric_limits<float>::denorm_min()}},
        FloatCase{"LargestFloat", {"3.4028235e38"}, {std::numeric_limits<float>::max()}},
        FloatCase{
            "LongMantissa", {"0.1000000000000000000000000000000000000000000000000000001"}, {0.1f}},
        // Failures.
        FloatCase{"NoRecord", {}, {kKept}, kListEndOfFile, 0},
        FloatCase{"InputEndsBeforeLastValue", {"1"}, {1.0f, kKept}, kListEndOfFile, 1},
        FloatCase{"OnlyEmptyLines", {"", ""}, {kKept}, kListEndOfFile, 2},
        FloatCase{"Letters", {"abc"}, {kKept}, kListSyntaxError},
        FloatCase{"SecondValueBad", {"1,abc"}, {1.0f, kKept}, kListSyntaxError},
        FloatCase{"SecondPoint", {"1.2.3"}, {kKept}, kListSyntaxError},
        FloatCase{"SecondExponent", {"1e2e3"}, {kKept}, kListSyntaxError},
        FloatCase{"ExponentFirst", {"e5"}, {kKept}, kListSyntaxError},
        FloatCase{"ExponentAfterPointOnly", {".e5"}, {kKept}, kListSyntaxError},
        FloatCase{"ExponentAfterSignOnly", {"-e5"}, {kKept}, kListSyntaxError},
        FloatCase{"TwoSigns", {"+-1"}, {kKept}, kListSyntaxError},
        FloatCase{"SignAfterExponentSign", {"1e+-1"}, {kKept}, kListSyntaxError},
        FloatCase{"SignOnly", {"-"}, {kKept}, kListSyntaxError},
        FloatCase{"PointOnly", {"."}, {kKept}, kListSyntaxError},
        FloatCase{"EndsWithExponentSign", {"1e+"}, {kKept}, kListSyntaxError},
        FloatCase{"EndsWithSign", {"1+"}, {kKept}, kListSyntaxError},
        FloatCase{"TrailingLetter", {"1x"}, {kKept}, kListSyntaxError},
        FloatCase{"QuoteInsideNumber", {"5'a'"}, {kKept}, kListSyntaxError},
        FloatCase{"SignedRepeatCount", {"+3*5"}, {kKept}, kListSyntaxError},
        FloatCase{"RepeatOfRepeat", {"2*3*4"}, {kKept}, kListSyntaxError},
        FloatCase{"ZeroRepeatCount", {"0*5"}, {kKept}, kListSyntaxError},
        FloatCase{"AsteriskFirst", {"*5"}, {kKept}, kListSyntaxError},
        FloatCase{"RepeatedLetters", {"2*abc"}, {kKept}, kListSyntaxError},
        FloatCase{"RepeatThenSlash", {"2*/"}, {kKept}, kListSyntaxError},
        FloatCase{"ParenthesisAsValue", {"1 )"}, {1.0f, kKept}, kListSyntaxError},
        FloatCase{"Apostrophes", {"'2'"}, {kKept}, kListConversionError},
        FloatCase{"QuotationMarks", {"\"2\""}, {kKept}, kListConversionError},
        FloatCase{"RepeatedQuotedText", {"2*'2'"}, {kKept}, kListConversionError},
        FloatCase{"UnterminatedQuoteAtEnd", {"'2"}, {kKept}, kListEndOfFile},
        FloatCase{"PointAfterExponent", {"1e5.0"}, {kKept}, kListConversionError},
        FloatCase{"SignBetweenDigits", {"1-2"}, {kKept}, kListConversionError},
        FloatCase{"BeyondSingle", {"3.5e38"}, {kKept}, kListConversionError},
        FloatCase{"BeyondSingleNegative", {"-1e39"}, {kKept}, kListConversionError},
        FloatCase{"BeyondDouble", {"3.5e400"}, {kKept}, kListConversionError},
        FloatCase{"HugeExponent", {"1e99999999999999999999"}, {kKept}, kListConversionError}),
    CaseName{});

TEST(ScanList, ReadFailureOfTheSourceIsPassedOn) {
  float a = kUnsetFloat;
  float b = kUnsetFloat;
  LinesSource source({"1"}, kListReadError);
  EXPECT_EQ(scanList(source, std::vector<ListInItem>{&a, &b}), kListReadError);
  EXPECT_EQ(a, 1.0f);
  EXPECT_EQ(b, kUnsetFloat);
}

// ---------------------------------------------------------------------------------------
// Integer items (the shape answer).

struct IntegerCase {
  const char* name;
  std::string record;
  std::optional<std::int32_t> expected;
  int status = 0;
};

class IntegerItem : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerItem, Converts) {
  const IntegerCase& c = GetParam();
  std::int32_t value = kUnsetInteger;
  LinesSource source({c.record});
  EXPECT_EQ(scanList(source, std::vector<ListInItem>{&value}), c.status);
  EXPECT_EQ(value, c.expected.value_or(kUnsetInteger));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, IntegerItem,
    ::testing::Values(
        IntegerCase{"Plain", "1", 1}, IntegerCase{"Signed", "+12", 12},
        IntegerCase{"Negative", "-3", -3}, IntegerCase{"LeadingZeros", "007", 7},
        IntegerCase{"Largest", "2147483647", 2147483647},
        IntegerCase{"Smallest", "-2147483648", std::numeric_limits<std::int32_t>::min()},
        IntegerCase{"FirstOfTwo", "2 3", 2},
        // Real forms are truncated toward zero.
        IntegerCase{"RealTruncated", "2.9", 2}, IntegerCase{"RealTruncatedUp", "3.7", 3},
        IntegerCase{"NegativeRealTruncated", "-2.5", -2}, IntegerCase{"Exponent", "1e2", 100},
        IntegerCase{"ExponentD", "25D-1", 2}, IntegerCase{"TinyReal", "1e-400", 0},
        IntegerCase{"RealJustBelowLimit", "2147483647.9", 2147483647},
        IntegerCase{"RealJustAboveLowest", "-2147483648.5",
                    std::numeric_limits<std::int32_t>::min()},
        // Failures.
        IntegerCase{"Letters", "abc", std::nullopt, kListSyntaxError},
        IntegerCase{"AboveRange", "2147483648", std::nullopt, kListConversionError},
        IntegerCase{"BelowRange", "-2147483649", std::nullopt, kListConversionError},
        IntegerCase{"FarAboveRange", "99999999999999999999", std::nullopt, kListConversionError},
        IntegerCase{"RealAboveRange", "2147483648.0", std::nullopt, kListConversionError},
        IntegerCase{"RealFarAboveRange", "3e9", std::nullopt, kListConversionError},
        IntegerCase{"RealBelowRange", "-2147483649.0", std::nullopt, kListConversionError},
        IntegerCase{"QuotedDigit", "'2'", std::nullopt, kListConversionError},
        IntegerCase{"DoubleQuotedDigit", "\"2\"", std::nullopt, kListConversionError}),
    CaseName{});

// ---------------------------------------------------------------------------------------
// Character items (file name and whole-residue answers).

struct TextCase {
  const char* name;
  std::vector<std::string> records;
  std::optional<std::string> expected;  // before padding to `length`
  int status = 0;
  std::size_t length = 80;
  std::size_t taken = 1;
};

class TextItem : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextItem, TakesTheText) {
  const TextCase& c = GetParam();
  std::string value(c.length, kUnsetChar);
  LinesSource source(c.records);
  EXPECT_EQ(scanList(source, std::vector<ListInItem>{std::span<char>(value)}), c.status);
  EXPECT_EQ(source.taken(), c.taken);
  std::string want(c.length, kUnsetChar);
  if (c.expected) {
    want = c.expected->substr(0, c.length);
    want.resize(c.length, ' ');
  }
  EXPECT_EQ(value, want);
}

std::string repeated(std::size_t count, char c) { return std::string(count, c); }
std::string quoted(const std::string& text) { return "'" + text + "'"; }

INSTANTIATE_TEST_SUITE_P(
    Answers, TextItem,
    ::testing::Values(
        TextCase{"Plain", {"conf.gro"}, "conf.gro"},
        TextCase{"LeadingBlanksDropped", {"   conf.gro"}, "conf.gro"},
        TextCase{"CutAtBlank", {"my file.gro"}, "my"},
        TextCase{"CutAtComma", {"name,rest"}, "name"}, TextCase{"CutAtSlash", {"dir/name"}, "dir"},
        TextCase{"CutAtTab", {"a\tb"}, "a"}, TextCase{"CutAtNul", {std::string("ab\0cd", 5)}, "ab"},
        TextCase{"QuoteInsideUnquotedIsOrdinary", {"it's"}, "it's"},
        TextCase{"AsteriskAfterLetters", {"ab*c"}, "ab*c"},
        TextCase{"DigitsThenLetters", {"12abc"}, "12abc"}, TextCase{"NumberForText", {"5"}, "5"},
        TextCase{"Apostrophes", {"'my file.gro'"}, "my file.gro"},
        TextCase{"QuotationMarks", {"\"my file.gro\""}, "my file.gro"},
        TextCase{"DoubledApostrophe", {"'it''s'"}, "it's"},
        TextCase{"DoubledQuotationMark", {"\"say \"\"hi\"\"\""}, "say \"hi\""},
        TextCase{"OtherQuoteIsOrdinary", {"'a\"b'"}, "a\"b"},
        TextCase{"OtherQuoteIsOrdinaryToo", {"\"a'b\""}, "a'b"},
        TextCase{"QuotedKeepsBlanks", {"' x '"}, " x "}, TextCase{"EmptyQuoted", {"''"}, ""},
        TextCase{"QuotedOverLineEnd", {"'ab", "cd'"}, "abcd", 0, 80, 2},
        TextCase{"QuotedOverEmptyLine", {"'ab", "", "cd'"}, "abcd", 0, 80, 3},
        TextCase{"QuoteClosingAtLineEnd", {"'ab'", "'cd'"}, "ab"}, TextCase{"Answer", {"no"}, "no"},
        TextCase{"HundredCharactersKeepEighty", {repeated(100, 'n')}, repeated(100, 'n')},
        TextCase{"ShortVariable", {"abcdefg"}, "abcdefg", 0, 5},
        TextCase{"NullKeeps", {",x"}, std::nullopt}, TextCase{"SlashKeeps", {"/"}, std::nullopt},
        TextCase{"RepeatedNulls", {"2*"}, std::nullopt},
        TextCase{"RepeatedQuoted", {"2*'a b'"}, "a b"},
        TextCase{"Longest", {repeated(2049, 'x')}, repeated(2049, 'x'), 0, 2049},
        TextCase{"LongestQuoted", {quoted(repeated(2049, 'x'))}, repeated(2049, 'x'), 0, 2049},
        TextCase{"LongestWithDoubledQuotes",
                 {quoted(repeated(2047, 'x') + "''''")},
                 repeated(2047, 'x') + "''",
                 0,
                 2049},
        TextCase{"LongestQuotedOverLines",
                 {"'" + repeated(1000, 'x'), repeated(1049, 'y') + "'"},
                 repeated(1000, 'x') + repeated(1049, 'y'),
                 0,
                 2049,
                 2},
        // Failures.
        TextCase{"TooLong", {repeated(2050, 'x')}, std::nullopt, kListSyntaxError, 2050},
        TextCase{"TooLongQuoted", {quoted(repeated(2050, 'x'))}, std::nullopt, kListSyntaxError},
        TextCase{"TooLongQuotedOverLines",
                 {"'" + repeated(1025, 'x'), repeated(1025, 'y') + "'"},
                 std::nullopt,
                 kListSyntaxError,
                 80,
                 2},
        TextCase{"EndInsideQuoted", {"'abc"}, std::nullopt, kListEndOfFile},
        TextCase{"EndInsideQuotedAfterLines", {"'abc", "def"}, std::nullopt, kListEndOfFile, 80, 2},
        TextCase{"RepeatedUnquoted", {"2*abc"}, std::nullopt, kListSyntaxError},
        TextCase{"RepeatThenSlash", {"2*/"}, std::nullopt, kListSyntaxError},
        TextCase{"NoRecord", {}, std::nullopt, kListEndOfFile, 80, 0}),
    CaseName{});

// ---------------------------------------------------------------------------------------
// Statements that mix item kinds, and the empty statement.

TEST(ScanList, EmptyListConsumesExactlyOneRecord) {
  LinesSource source({"1 2 3", "4"});
  EXPECT_EQ(scanList(source, {}), 0);
  EXPECT_EQ(source.taken(), 1u);
}

TEST(ScanList, EmptyListIsSatisfiedByAnEmptyLine) {
  LinesSource source({""});
  EXPECT_EQ(scanList(source, {}), 0);
  EXPECT_EQ(source.calls(), 1u);
}

TEST(ScanList, EmptyListAtEndOfInput) {
  LinesSource source({});
  EXPECT_EQ(scanList(source, {}), kListEndOfFile);
}

TEST(ScanList, MixedKinds) {
  std::string name(8, kUnsetChar);
  std::int32_t shape = kUnsetInteger;
  float radius = kUnsetFloat;
  LinesSource source({"  'a b',3", "2.5"});
  EXPECT_EQ(scanList(source, std::vector<ListInItem>{std::span<char>(name), &shape, &radius}), 0);
  EXPECT_EQ(name, "a b     ");
  EXPECT_EQ(shape, 3);
  EXPECT_EQ(radius, 2.5f);
}

TEST(ScanList, RepeatedNumberServesEveryKind) {
  std::int32_t count = kUnsetInteger;
  float value = kUnsetFloat;
  std::string text(3, kUnsetChar);
  LinesSource source({"3*1d1"});
  EXPECT_EQ(scanList(source, std::vector<ListInItem>{&count, &value, std::span<char>(text)}), 0);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(value, 10.0f);
  EXPECT_EQ(text, "1d1");
}

TEST(ScanList, RepeatedTextRefusedByNumber) {
  std::string text(2, kUnsetChar);
  std::int32_t count = kUnsetInteger;
  LinesSource source({"2*'x'"});
  EXPECT_EQ(scanList(source, std::vector<ListInItem>{std::span<char>(text), &count}),
            kListConversionError);
  EXPECT_EQ(text, "x ");
  EXPECT_EQ(count, kUnsetInteger);
}

TEST(ScanList, NulEndsTextAndIsConsumed) {
  std::string first(2, kUnsetChar);
  std::string second(2, kUnsetChar);
  LinesSource source({std::string("ab\0cd", 5)});
  EXPECT_EQ(
      scanList(source, std::vector<ListInItem>{std::span<char>(first), std::span<char>(second)}),
      0);
  EXPECT_EQ(first, "ab");
  EXPECT_EQ(second, "cd");
}

TEST(ScanList, EachStatementStartsOnAFreshRecord) {
  // Two statements on the same source: the second does not see what the first left over.
  LinesSource source({"1 2 3", "4 5"});
  float a = kUnsetFloat;
  float b = kUnsetFloat;
  EXPECT_EQ(scanList(source, std::vector<ListInItem>{&a}), 0);
  EXPECT_EQ(scanList(source, std::vector<ListInItem>{&b}), 0);
  EXPECT_EQ(a, 1.0f);
  EXPECT_EQ(b, 4.0f);
}

}  // namespace
}  // namespace textio::freeform
