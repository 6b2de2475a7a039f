// Free-form value scanning: finds each value of a read statement in its records, checks
// its syntax and converts it into the item. Numbers are scanned in place in the record;
// only texts are copied, into the statement's value buffer.
#include "textio/freeform/free_form_scan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <system_error>

namespace textio::freeform {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }
bool isExponentLetter(char c) {
  return c == 'e' || c == 'E' || c == 'd' || c == 'D' || c == 'q' || c == 'Q';
}
bool isSign(char c) { return c == '+' || c == '-'; }
bool isQuote(char c) { return c == '\'' || c == '"'; }

// A number runs up to one of these (or the end of the record).
bool endsNumber(char c) { return isBlankOrTab(c) || c == ',' || c == '/' || c == ')' || c == '*'; }
// An unquoted text runs up to one of these (or the end of the record).
bool endsUnquotedText(char c) { return isBlankOrTab(c) || c == ',' || c == '/' || c == '\0'; }

enum class ValueKind { Null, Number, QuotedText, UnquotedText };

struct Value {
  ValueKind kind = ValueKind::Null;
  // Number: the characters in the record. Texts: the characters in the value buffer.
  std::string_view text;
  bool integerForm = false;  // number of a sign and digits only
};

// Character checks of a number; 0 or the syntax-error report. Sets integerForm.
int checkNumber(std::string_view text, bool& integerForm) {
  bool mantissaDigit = false;
  bool anyDigit = false;
  bool point = false;
  bool exponent = false;
  bool signOnlyAtStart = true;
  char previous = '\0';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (isDigit(c)) {
      anyDigit = true;
      if (!exponent) mantissaDigit = true;
    } else if (isSign(c)) {
      if (isSign(previous)) return kListSyntaxError;
      if (i != 0) signOnlyAtStart = false;
    } else if (c == '.') {
      if (point) return kListSyntaxError;
      point = true;
    } else if (isExponentLetter(c)) {
      if (exponent || !mantissaDigit) return kListSyntaxError;
      exponent = true;
    } else {
      return kListSyntaxError;
    }
    previous = c;
  }
  if (!anyDigit || isSign(previous)) return kListSyntaxError;
  integerForm = !point && !exponent && signOnlyAtStart;
  return 0;
}

// For a number the conversion found out of range: true when its magnitude is at least 1
// (an overflow), false when it is below 1 (an underflow). The text has passed checkNumber
// and holds a non-zero digit.
bool magnitudeAtLeastOne(std::string_view text) {
  std::int64_t exponent = 0;
  std::size_t letter = text.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (isExponentLetter(text[i])) {
      letter = i;
      break;
    }
  }
  if (letter < text.size()) {
    bool negative = false;
    for (std::size_t i = letter + 1; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '-') negative = true;
      if (isDigit(c) && exponent < 1'000'000'000) exponent = exponent * 10 + (c - '0');
    }
    if (negative) exponent = -exponent;
  }
  // Decimal position of the first non-zero digit: 0 for the units digit, -1 for tenths.
  std::int64_t integerDigits = 0;
  std::int64_t digitsSeen = 0;
  std::int64_t firstNonZero = -1;
  bool afterPoint = false;
  for (std::size_t i = 0; i < letter; ++i) {
    const char c = text[i];
    if (c == '.') afterPoint = true;
    if (!isDigit(c)) continue;
    if (!afterPoint) ++integerDigits;
    if (c != '0' && firstNonZero < 0) firstNonZero = digitsSeen;
    ++digitsSeen;
  }
  return integerDigits - firstNonZero - 1 + exponent >= 0;
}

// Converts a checked number to double. D and Q exponents become E (copied into `scratch`
// when it is large enough), a leading + is skipped, and an exponent letter with no digits
// after it means exponent 0. An underflow gives a signed zero; an overflow is reported.
int toDouble(std::string_view text, char* scratch, std::size_t scratchSize, double& out) {
  std::string_view number = text;
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  if (!number.empty() && isExponentLetter(number.back())) number.remove_suffix(1);
  std::string copy;
  const std::size_t letter = number.find_first_of("dDqQ");
  if (letter != std::string_view::npos) {
    char* target = scratch;
    if (number.size() > scratchSize) {
      copy.assign(number);
      target = copy.data();
    } else {
      number.copy(target, number.size());
    }
    target[letter] = 'e';
    number = std::string_view(target, number.size());
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) {
    if (magnitudeAtLeastOne(text)) return kListConversionError;
    out = number.front() == '-' ? -0.0 : 0.0;
    return 0;
  }
  // The character checks let through numbers in the wrong order (1e5.0, 1-2): rejected here.
  if (error != std::errc() || end != number.data() + number.size()) return kListConversionError;
  out = value;
  return 0;
}

// An integer item takes an integer form exactly and a real form truncated, both within the
// 32-bit range.
int assignInteger(std::int32_t& target, const Value& value, char* scratch) {
  if (value.integerForm) {
    std::string_view digits = value.text;
    if (digits.front() == '+') digits.remove_prefix(1);
    std::int32_t result = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (error != std::errc() || end != digits.data() + digits.size()) {
      return kListConversionError;
    }
    target = result;
    return 0;
  }
  double real = 0.0;
  if (int status = toDouble(value.text, scratch, kListValueBufferBytes, real)) return status;
  const double truncated = std::trunc(real);
  // A real form beyond the 32-bit range is as much a conversion error as an integer one.
  if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0)) return kListConversionError;
  target = static_cast<std::int32_t>(truncated);
  return 0;
}

// A real item takes any number; beyond the largest float it is a conversion error once the
// value would round to an infinity.
int assignFloat(float& target, const Value& value, char* scratch) {
  double real = 0.0;
  if (int status = toDouble(value.text, scratch, kListValueBufferBytes, real)) return status;
  constexpr double kLargest = std::numeric_limits<float>::max();
  // Halfway between the largest float and the next power of two: from here on the value
  // would round to an infinity.
  constexpr double kOverflow = 0x1.ffffffp127;
  const double magnitude = std::fabs(real);
  if (magnitude >= kOverflow) return kListConversionError;
  target = magnitude > kLargest ? static_cast<float>(std::copysign(kLargest, real))
                                : static_cast<float>(real);
  return 0;
}

// Stores a scanned value into its item: a text is cut or blank-filled to the item, a number
// converted (`scratch`, the statement's value buffer, serves toDouble); a null value leaves
// the item as it was.
int assignValue(const ListInItem& item, const Value& value, char* scratch) {
  if (value.kind == ValueKind::Null) return 0;
  if (const auto* text = std::get_if<std::span<char>>(&item)) {
    const std::size_t n = std::min(value.text.size(), text->size());
    value.text.copy(text->data(), n);
    std::fill(text->begin() + static_cast<std::ptrdiff_t>(n), text->end(), ' ');
    return 0;
  }
  if (value.kind != ValueKind::Number) return kListConversionError;
  if (auto* const* integer = std::get_if<std::int32_t*>(&item)) {
    return assignInteger(**integer, value, scratch);
  }
  return assignFloat(*std::get<float*>(item), value, scratch);
}

// The values of one read statement, taken in turn over its records: findValue passes blanks,
// record ends and separators; scanValue takes one value by its form (a repeat count, a quoted
// or unquoted text, a number); assignValue stores it into the next item.
class Scanner {
 public:
  Scanner(RecordSource& source, char* buffer) : source_(source), buffer_(buffer) {}

  int run(std::span<const ListInItem> items) {
    if (int status = readRecord()) return status;
    Value value;
    long long repeatLeft = 0;
    for (const ListInItem& item : items) {
      if (repeatLeft > 0) {
        --repeatLeft;
        if (int status = assignValue(item, value, buffer_)) return status;
        continue;
      }
      Found found = Found::Value;
      if (int status = findValue(found)) return status;
      if (found == Found::Slash) return 0;
      if (found == Found::Null) continue;
      long long count = 1;
      if (int status = scanValue(item.index() == 0, value, count)) return status;
      repeatLeft = count - 1;
      if (int status = assignValue(item, value, buffer_)) return status;
    }
    return 0;
  }

 private:
  enum class Found { Value, Null, Slash };
  static constexpr int kNothingYet = -1;

  int readRecord() {
    if (recordsRead_ > 0) firstRecord_ = false;
    ++recordsRead_;
    position_ = 0;
    return source_.next(line_);
  }

  bool atEnd() const { return position_ >= line_.size(); }
  char current() const { return line_[position_]; }

  // Skips blanks, tabs, record ends and the comma that separates two values; stops at the
  // start of a value, at a null value (its comma consumed) or after a slash.
  int findValue(Found& found) {
    for (;;) {
      while (!atEnd() && isBlankOrTab(current())) ++position_;
      if (atEnd()) {
        if (int status = readRecord()) return status;
        continue;
      }
      const char c = current();
      if (c == ',') {
        // A comma first in the answer line, or after another comma, stands for a value
        // that was left out.
        const bool null = (firstRecord_ && previous_ == kNothingYet) || previous_ == ',';
        previous_ = ',';
        ++position_;
        if (null) {
          found = Found::Null;
          return 0;
        }
        continue;
      }
      if (c == '/') {
        ++position_;
        found = Found::Slash;
        return 0;
      }
      found = Found::Value;
      return 0;
    }
  }

  // Scans the value that starts at the current position. `count` becomes its repeat
  // count (1 without one).
  int scanValue(bool characterItem, Value& value, long long& count) {
    if (isQuote(current())) return scanQuoted(value);
    std::size_t digitsEnd = position_;
    while (digitsEnd < line_.size() && isDigit(line_[digitsEnd])) ++digitsEnd;
    if (digitsEnd > position_ && digitsEnd < line_.size() && line_[digitsEnd] == '*') {
      return scanRepeated(digitsEnd, characterItem, value, count);
    }
    return characterItem ? scanUnquoted(value) : scanNumber(value);
  }

  // r*c and r*: the count ends at `asterisk`.
  int scanRepeated(std::size_t asterisk, bool characterItem, Value& value, long long& count) {
    // Only the items of one statement can use the copies, so a huge count saturates.
    constexpr long long kCountLimit = std::numeric_limits<std::int32_t>::max();
    long long r = 0;
    for (std::size_t i = position_; i < asterisk; ++i) {
      r = r * 10 + (line_[i] - '0');
      if (r > kCountLimit) r = kCountLimit;
    }
    if (r == 0) return kListSyntaxError;  // zero copies of a value is no value at all
    count = r;
    position_ = asterisk + 1;
    previous_ = '*';
    if (atEnd() || isBlankOrTab(current()) || current() == ',') {
      value = Value{};
      return 0;
    }
    if (isQuote(current())) return scanQuoted(value);
    if (characterItem) return kListSyntaxError;
    return scanNumber(value);
  }

  int putText(std::size_t& length, char c) {
    if (length >= kMaxListTextLength) return kListSyntaxError;
    buffer_[length++] = c;
    return 0;
  }

  // A quoted text: a doubled opening quote stands for one; it goes on over record ends.
  int scanQuoted(Value& value) {
    const char quote = current();
    ++position_;
    std::size_t length = 0;
    for (;;) {
      if (atEnd()) {
        if (int status = readRecord()) return status;
        continue;
      }
      const char c = current();
      ++position_;
      if (c == quote) {
        // A closing quote at the end of the record ends the text; the next record is not
        // looked at for a second quote.
        if (atEnd() || current() != quote) break;
        ++position_;
      }
      if (int status = putText(length, c)) return status;
    }
    previous_ = quote;
    value = Value{ValueKind::QuotedText, std::string_view(buffer_, length), false};
    return 0;
  }

  int scanUnquoted(Value& value) {
    std::size_t length = 0;
    while (!atEnd() && !endsUnquotedText(current())) {
      if (int status = putText(length, current())) return status;
      previous_ = static_cast<unsigned char>(current());
      ++position_;
    }
    // A NUL byte ends the text and goes with it, so that it does not start the next value.
    if (!atEnd() && current() == '\0') ++position_;
    value = Value{ValueKind::UnquotedText, std::string_view(buffer_, length), false};
    return 0;
  }

  int scanNumber(Value& value) {
    const std::size_t start = position_;
    while (!atEnd() && !endsNumber(current())) ++position_;
    // A count must be unsigned digits, and a repeated value cannot have a count of its own.
    if (!atEnd() && current() == '*') return kListSyntaxError;
    const std::string_view text = line_.substr(start, position_ - start);
    bool integerForm = false;
    if (int status = checkNumber(text, integerForm)) return status;
    previous_ = static_cast<unsigned char>(text.back());
    value = Value{ValueKind::Number, text, integerForm};
    return 0;
  }

  RecordSource& source_;
  char* buffer_;
  std::string_view line_;
  std::size_t position_ = 0;
  long long recordsRead_ = 0;
  bool firstRecord_ = true;
  int previous_ = kNothingYet;  // previous non-blank character of the statement
};

}  // namespace

int scanList(RecordSource& source, std::span<const ListInItem> items) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kListValueBufferBytes]);
  if (!buffer) return kListNoMemory;
  Scanner scanner(source, buffer.get());
  return scanner.run(items);
}

}  // namespace textio::freeform