// Free-form output records: texts as they stand, integers in 12 columns, and the one blank
// that opens every record, never going past the record width.
#include "textio/freeform/free_form_output.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace textio::freeform {
namespace {

class RecordBuilder {
 public:
  RecordBuilder(std::string& record, int width, RecordSink& sink)
      : record_(record), width_(width < 0 ? 0 : static_cast<std::size_t>(width)), sink_(sink) {}

  int placeText(std::string_view text) {
    if (blankPending_ && width_ < 2) return kListRecordOverflow;
    if (!fits(text.size()) && !record_.empty()) newRecord();
    if (fits(text.size())) {
      if (blankPending_) record_ += ' ';
      record_ += text;
    } else {
      // Longer than a whole record: fill records one after another, each opened by its blank.
      while (!text.empty()) {
        if (blankPending_) {
          record_ += ' ';
          blankPending_ = false;
        }
        const std::size_t take = std::min(text.size(), room());
        record_ += text.substr(0, take);
        text.remove_prefix(take);
        if (!text.empty()) newRecord();
      }
    }
    blankPending_ = false;
    return 0;
  }

  int placeInteger(std::int32_t value) {
    const std::size_t width = kListIntegerWidth;
    if (room() < width) {
      if (record_.empty() || width_ < width) return kListRecordOverflow;
      newRecord();
    }
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    record_.append(width - length, ' ');
    record_.append(digits, length);
    blankPending_ = false;
    return 0;
  }

  int finish() {
    if (record_.empty() && blankPending_) {
      if (width_ < 2) return kListRecordOverflow;
      record_ += ' ';
    }
    sink_.endRecord(record_);
    record_.clear();
    return 0;
  }

 private:
  std::size_t room() const { return record_.size() >= width_ ? 0 : width_ - record_.size(); }

  // The text and, when one is due, the blank before it, in what is left of the record.
  bool fits(std::size_t length) const { return length + (blankPending_ ? 1 : 0) <= room(); }

  void newRecord() {
    sink_.endRecord(record_);
    record_.clear();
    blankPending_ = true;
  }

  std::string& record_;
  std::size_t width_;
  RecordSink& sink_;
  bool blankPending_ = true;
};

}  // namespace

int placeList(std::string& record, int width, std::span<const ListOutItem> items,
              RecordSink& sink) {
  RecordBuilder builder(record, width, sink);
  for (const ListOutItem& item : items) {
    const int status = std::holds_alternative<std::string_view>(item)
                           ? builder.placeText(std::get<std::string_view>(item))
                           : builder.placeInteger(std::get<std::int32_t>(item));
    if (status != 0) return status;
  }
  return builder.finish();
}

}  // namespace textio::freeform
