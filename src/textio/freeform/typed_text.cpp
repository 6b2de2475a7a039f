// The decimal numbers and quoted texts of the command line and of the messages about what
// a file holds.
#include "textio/freeform/typed_text.h"

#include <new>
#include <span>

#include "textio/freeform/free_form_scan.h"

namespace textio::freeform {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The number's text as the one record of a free-form read.
class SingleRecord final : public RecordSource {
 public:
  explicit SingleRecord(std::string_view text) : text_(text) {}
  int next(std::string_view& line) override {
    if (taken_) return kListEndOfFile;
    taken_ = true;
    line = text_;
    return 0;
  }

 private:
  std::string_view text_;
  bool taken_ = false;
};

}  // namespace

std::size_t decimalNumberLength(std::string_view text) {
  std::size_t i = 0;
  const auto digitsFrom = [&] {
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    return i - start;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = digitsFrom();
  if (i < text.size() && text[i] == '.') {
    ++i;
    digits += digitsFrom();
  }
  if (digits == 0) return 0;
  const std::size_t mantissa = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digitsFrom() == 0) i = mantissa;  // "1e" is the number 1 and a letter
  }
  return i;
}

bool isDecimalNumber(std::string_view text) {
  return !text.empty() && decimalNumberLength(text) == text.size();
}

bool convertNumber(std::string_view text, float& value) {
  if (!isDecimalNumber(text)) return false;
  SingleRecord record(text);
  const ListInItem item = &value;
  const int status = scanList(record, std::span(&item, 1));
  // Memory that ran out is no bad number: the run ends with report 41 (runTool).
  if (status == kListNoMemory) throw std::bad_alloc();
  return status == 0;
}

std::string quoted(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 2);
  result += '\'';
  result += text;
  result += '\'';
  return result;
}

}  // namespace textio::freeform
