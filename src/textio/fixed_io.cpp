// The fixed-layout read and write statements: walking a layout over one line (or more, when
// the items outnumber the fields), the field columns of an input line, and the record and
// pending marker of non-advancing output kept in the unit's entry.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "textio/fixed_fast.h"
#include "textio/fixed_fields.h"
#include "textio/fixed_layout.h"
#include "textio/report.h"
#include "textio/unit.h"

namespace textio {

namespace {

// A programming error of the caller: the item does not suit the field's kind.
constexpr int kFieldItemMismatch = 61;
constexpr int kEndOfFile = 24;
constexpr int kReadError = 39;
constexpr int kRecordOverflow = 66;

// The expanded field sequence of a layout: repeat counts in place, and the layout walked
// again from its start once it is used up.
class FieldWalker {
 public:
  explicit FieldWalker(FixedLayout layout) : layout_(layout) {}

  bool hasFields() const { return !layout_.empty(); }

  // The next field; `wrapped` tells that the layout was used up and begins again, which
  // means a new line. Only valid when hasFields().
  const FieldDescriptor& next(bool& wrapped) {
    wrapped = false;
    if (index_ == layout_.size()) {
      index_ = 0;
      wrapped = true;
    }
    const FieldDescriptor& field = layout_[index_];
    if (++repeatsDone_ >= field.repeat) {  // a repeat below 1 counts as 1
      ++index_;
      repeatsDone_ = 0;
    }
    return field;
  }

 private:
  FixedLayout layout_;
  std::size_t index_ = 0;
  int repeatsDone_ = 0;
};

// Reused for the rare numeric field wider than kPaddedOnStack that a short line leaves
// incomplete; one per thread, since lines may be converted on several threads at once.
std::string& paddedFieldBuffer() {
  thread_local std::string buffer;
  return buffer;
}
// Fields up to this width are padded on the stack: no allocation, nothing shared.
constexpr std::size_t kPaddedOnStack = 32;

// The columns of one input field: those the line holds (a short line lacks the rest,
// which count as blanks), and whether a comma ended the field early.
struct FieldColumns {
  std::string_view text;
  bool cutByComma = false;
};

// The next field of `line` from `column`; moves `column` past it. A comma ends an I or F
// field early and is consumed, so the next field begins just after it.
FieldColumns takeFieldColumns(std::string_view line, std::size_t& column, int width,
                              FieldKind kind) {
  const std::size_t columns = width > 0 ? static_cast<std::size_t>(width) : 0;
  const std::string_view rest = column < line.size() ? line.substr(column) : std::string_view{};
  const std::string_view field = rest.substr(0, std::min(columns, rest.size()));
  if (kind != FieldKind::A) {
    const std::size_t comma = field.find(',');
    if (comma != std::string_view::npos) {
      column += comma + 1;
      return {field.substr(0, comma), true};
    }
  }
  column += columns;
  return {field, false};
}

// The fast conversion of a field whose `descriptor.width` (>= 1) columns the line holds at
// `text`, into the item at `at` (an A item of `length` characters). Answers false, with the
// item untouched, when the fast path declines the field.
inline bool convertWholeField(const FieldDescriptor& descriptor, std::size_t length,
                              const char* text, char* at) {
  const auto width = static_cast<std::size_t>(descriptor.width);
  switch (descriptor.kind) {
    case FieldKind::I: {
      IntegerField result;
      if (!fast::parseInteger(std::string_view(text, width), result)) return false;
      std::memcpy(at, &result.value, sizeof result.value);
      return true;
    }
    case FieldKind::F: {
      RealField result;
      if (!fast::parseReal(std::string_view(text, width), descriptor.decimals, result)) {
        return false;
      }
      std::memcpy(at, &result.value, sizeof result.value);
      return true;
    }
    case FieldKind::A:
      if (length == 5 && width == 5) {
        std::memcpy(at, text, 5);  // the names of atom lines: no library call
      } else {
        takeTextField(std::string_view(text, width), descriptor.width, std::span<char>(at, length));
      }
      return true;
  }
  return false;
}

// readWholeField for an item at a known place of a record: the same conversions, with no
// variant to look into, small enough to stay inline in the loop over a file's lines.
inline bool readWholeFieldAt(const FieldDescriptor& descriptor, std::size_t length,
                             std::string_view line, std::size_t& column, char* at) {
  const auto width = static_cast<std::size_t>(descriptor.width);
  if (descriptor.width < 1 || line.size() - std::min(line.size(), column) < width) return false;
  if (!convertWholeField(descriptor, length, line.data() + column, at)) return false;
  column += width;
  return true;
}

// The common case of one input field: the line holds all of its columns and the fast
// conversion takes them (it declines a comma, which would end the field early). Answers false
// with nothing changed otherwise, also when the item does not suit the field.
bool readWholeField(const FieldDescriptor& descriptor, std::string_view line, std::size_t& column,
                    const FixedInItem& item) {
  switch (descriptor.kind) {
    case FieldKind::I:
      if (auto* const target = std::get_if<std::int32_t*>(&item)) {
        return readWholeFieldAt(descriptor, 0, line, column, reinterpret_cast<char*>(*target));
      }
      return false;
    case FieldKind::F:
      if (auto* const target = std::get_if<float*>(&item)) {
        return readWholeFieldAt(descriptor, 0, line, column, reinterpret_cast<char*>(*target));
      }
      return false;
    case FieldKind::A:
      if (auto* const target = std::get_if<std::span<char>>(&item)) {
        return readWholeFieldAt(descriptor, target->size(), line, column, target->data());
      }
      return false;
  }
  return false;
}

// Converts one input field into its item; 0 or the failure's report number.
int readField(const FieldDescriptor& descriptor, std::string_view line, std::size_t& column,
              const FixedInItem& item) {
  if (readWholeField(descriptor, line, column, item)) return 0;
  const FieldColumns field = takeFieldColumns(line, column, descriptor.width, descriptor.kind);
  switch (descriptor.kind) {
    case FieldKind::I: {
      auto* const target = std::get_if<std::int32_t*>(&item);
      if (target == nullptr) return kFieldItemMismatch;
      // Blanks are ignored in an I field, so the missing columns of a short line need no
      // padding.
      IntegerField result;
      if (!fast::parseInteger(field.text, result)) result = parseIntegerFieldGeneral(field.text);
      **target = result.value;
      return result.status;
    }
    case FieldKind::F: {
      auto* const target = std::get_if<float*>(&item);
      if (target == nullptr) return kFieldItemMismatch;
      std::string_view text = field.text;
      RealField result;
      // Missing columns count as blanks after the digits: the fast path needs no padding.
      if (fast::parseReal(text, descriptor.decimals, result)) {
        **target = result.value;
        return 0;
      }
      char onStack[kPaddedOnStack];
      if (!field.cutByComma && text.size() < static_cast<std::size_t>(descriptor.width)) {
        // Blanks after a number do not matter, but after an Inf or NaN word they do.
        const auto width = static_cast<std::size_t>(descriptor.width);
        if (width <= kPaddedOnStack) {
          std::memcpy(onStack, text.data(), text.size());
          std::memset(onStack + text.size(), ' ', width - text.size());
          text = std::string_view(onStack, width);
        } else {
          std::string& padded = paddedFieldBuffer();
          padded.assign(text);
          padded.resize(width, ' ');
          text = padded;
        }
      }
      result = parseRealFieldGeneral(text, descriptor.decimals);
      **target = result.value;
      return result.status;
    }
    case FieldKind::A: {
      auto* const target = std::get_if<std::span<char>>(&item);
      if (target == nullptr) return kFieldItemMismatch;
      takeTextField(field.text, descriptor.width, *target);
      return 0;
    }
  }
  return kFieldItemMismatch;
}

// Places one output field at the end of `record`; 0 or the failure's report number.
int writeField(const FieldDescriptor& descriptor, const FixedOutItem& item, std::string& record) {
  switch (descriptor.kind) {
    case FieldKind::I: {
      const auto* const value = std::get_if<std::int32_t>(&item);
      if (value == nullptr) return kFieldItemMismatch;
      formatInteger(*value, descriptor.width, record, descriptor.minimumDigits);
      return 0;
    }
    case FieldKind::F: {
      const auto* const value = std::get_if<float>(&item);
      if (value == nullptr) return kFieldItemMismatch;
      formatFixed(*value, descriptor.width, descriptor.decimals, record);
      return 0;
    }
    case FieldKind::A: {
      const auto* const value = std::get_if<std::string_view>(&item);
      if (value == nullptr) return kFieldItemMismatch;
      formatText(*value, descriptor.width, record);
      return 0;
    }
  }
  return kFieldItemMismatch;
}

// Columns a write statement builds on the stack before it hands them to the record at once.
constexpr std::size_t kLocalColumns = 160;

// The fast formatters for one output field into `at` (room for `room` columns): answers the
// columns written, or 0 when the field is not one they take (the general writer then does).
std::size_t writeFieldFast(const FieldDescriptor& descriptor, const FixedOutItem& item, char* at,
                           std::size_t room) {
  if (descriptor.width < 1 || static_cast<std::size_t>(descriptor.width) > room) return 0;
  const auto width = static_cast<std::size_t>(descriptor.width);
  switch (descriptor.kind) {
    case FieldKind::I: {
      const auto* const value = std::get_if<std::int32_t>(&item);
      if (value == nullptr ||
          !fast::formatInteger(*value, descriptor.width, descriptor.minimumDigits, at)) {
        return 0;
      }
      return width;
    }
    case FieldKind::F: {
      const auto* const value = std::get_if<float>(&item);
      if (value == nullptr ||
          !fast::formatFixed(*value, descriptor.width, descriptor.decimals, at)) {
        return 0;
      }
      return width;
    }
    case FieldKind::A: {
      const auto* const value = std::get_if<std::string_view>(&item);
      if (value == nullptr) return 0;
      // Blanks and then the text when it is shorter than the field, else its first columns.
      const std::size_t blanks = width > value->size() ? width - value->size() : 0;
      for (std::size_t i = 0; i < blanks; ++i) at[i] = ' ';
      for (std::size_t i = blanks; i < width; ++i) at[i] = (*value)[i - blanks];
      return width;
    }
  }
  return 0;
}

// The item of a field of a record of the caller's, at its place.
FixedInItem itemAt(const FieldDescriptor& descriptor, const FieldPlace& place, char* record) {
  char* const at = record + place.offset;
  switch (descriptor.kind) {
    case FieldKind::I:
      return reinterpret_cast<std::int32_t*>(at);
    case FieldKind::F:
      return reinterpret_cast<float*>(at);
    case FieldKind::A:
      break;
  }
  return std::span<char>(at, place.length);
}

// The next input line, or the statement's status when there is none.
int fetchLine(UnitEntry& unit, std::string_view& line, ReturnOnEnd onEnd, ReturnOnError onError) {
  const ReadStatus status = nextRecord(unit, line);
  if (status == ReadStatus::Ok) return 0;
  if (status == ReadStatus::End) {
    if (onEnd == ReturnOnEnd::Yes) return -1;
    failStatement(unit, kEndOfFile);
  }
  if (onError == ReturnOnError::No) failStatement(unit, kReadError);
  unit.lastError = 0;  // returned instead of reported: no system line for a later report
  return kReadError;
}

}  // namespace

int readFixed(int unit, FixedLayout layout, std::initializer_list<FixedInItem> items,
              ReturnOnEnd onEnd, ReturnOnError onError) {
  Statement statement(unit, StatementKind::Read);
  UnitEntry& entry = statement.unit();
  // Every read begins a new line, even one with nothing to read into.
  std::string_view line;
  if (const int status = fetchLine(entry, line, onEnd, onError); status != 0) return status;

  FieldWalker walker(layout);
  if (!walker.hasFields()) return 0;
  std::size_t column = 0;
  try {
    for (const FixedInItem& item : items) {
      bool wrapped = false;
      const FieldDescriptor& descriptor = walker.next(wrapped);
      if (wrapped) {
        // The rest of the line is left behind; the layout starts again on the next line.
        if (const int status = fetchLine(entry, line, onEnd, onError); status != 0) return status;
        column = 0;
      }
      const int status = readField(descriptor, line, column, item);
      if (status == 0) continue;
      // The line is consumed all the same; the items after this one keep their values.
      if (onError == ReturnOnError::Yes && status != kFieldItemMismatch) return status;
      failStatement(entry, status);
    }
  } catch (const std::bad_alloc&) {
    issueReport(severeCode(41));
  }
  return 0;
}

FixedRecordsRead readFixedRecords(int unit, FixedLayout layout, std::span<const FieldPlace> places,
                                  void* records, std::size_t stride, std::size_t capacity,
                                  std::size_t statements) {
  Statement statement(unit, StatementKind::Read);
  UnitEntry& entry = statement.unit();
  FixedRecordsRead done;

  // The layout walked once for the places: each field with its place, its columns when the
  // line holds them all, and where a new line begins because the places outnumber the
  // layout's fields.
  struct PlannedField {
    FieldDescriptor descriptor;
    FieldPlace place;
    std::size_t column;
    bool newLine;
  };
  std::vector<PlannedField> plan;
  // The columns of a line that holds every field, when all of them lie on one line; 0 when
  // the fields need further lines (or have no width), so that every line goes field by field.
  std::size_t planColumns = 0;
  FieldWalker walker(layout);
  try {
    if (walker.hasFields()) {
      plan.reserve(places.size());
      bool oneLine = true;
      for (const FieldPlace& place : places) {
        bool wrapped = false;
        const FieldDescriptor& descriptor = walker.next(wrapped);
        plan.push_back({descriptor, place, planColumns, wrapped});
        oneLine = oneLine && !wrapped && descriptor.width >= 1;
        planColumns += static_cast<std::size_t>(std::max(descriptor.width, 0));
      }
      if (!oneLine) planColumns = 0;
    }
  } catch (const std::bad_alloc&) {
    issueReport(severeCode(41));
  }

  char* const base = static_cast<char*>(records);
  std::string_view line;
  try {
    for (; done.statements < statements && done.records < capacity; ++done.statements) {
      char* const record = base + done.records * stride;
      int status = fetchLine(entry, line, ReturnOnEnd::Yes, ReturnOnError::Yes);
      std::size_t i = 0;
      std::size_t column = 0;
      if (status == 0 && planColumns != 0 && line.size() >= planColumns) {
        // Every field lies wholly in the line at its planned columns, as long as the fast
        // conversions take them (a comma, which would move the columns, they decline).
        for (; i < plan.size(); ++i) {
          const PlannedField& field = plan[i];
          if (!convertWholeField(field.descriptor, field.place.length, line.data() + field.column,
                                 record + field.place.offset)) {
            break;
          }
        }
        column = i < plan.size() ? plan[i].column : planColumns;
      }
      for (; status == 0 && i < plan.size(); ++i) {
        const PlannedField& field = plan[i];
        if (field.newLine) {
          status = fetchLine(entry, line, ReturnOnEnd::Yes, ReturnOnError::Yes);
          column = 0;
          if (status != 0) break;
        }
        if (readWholeFieldAt(field.descriptor, field.place.length, line, column,
                             record + field.place.offset)) {
          continue;
        }
        status = readField(field.descriptor, line, column,
                           itemAt(field.descriptor, field.place, record));
      }
      if (status == -1) {
        done.ended = true;
        ++done.statements;
        break;
      }
      if (status == 0) ++done.records;
    }
  } catch (const std::bad_alloc&) {
    issueReport(severeCode(41));
  }
  return done;
}

int readFixedLine(FixedLayout layout, std::span<const FieldPlace> places, std::string_view line,
                  void* record) {
  FieldWalker walker(layout);
  if (!walker.hasFields()) return 0;
  std::size_t column = 0;
  for (const FieldPlace& place : places) {
    bool wrapped = false;
    const FieldDescriptor& descriptor = walker.next(wrapped);
    if (wrapped) return kFieldItemMismatch;  // the fields need a second line
    const int status =
        readField(descriptor, line, column, itemAt(descriptor, place, static_cast<char*>(record)));
    if (status != 0) return status;
  }
  return 0;
}

void writeFixed(int unit, FixedLayout layout, std::initializer_list<FixedOutItem> items,
                Advance advance) {
  Statement statement(unit, StatementKind::Write);
  UnitEntry& entry = statement.unit();
  // A record left open by non-advancing output is continued; anything else starts afresh.
  if (!entry.pending) entry.record.clear();
  entry.pending = false;

  FieldWalker walker(layout);
  // Fields are built in `columns` and handed to the record together; the general writer
  // appends to the record itself, after what is built so far.
  char columns[kLocalColumns];
  std::size_t built = 0;
  const auto handOver = [&] {
    entry.record.append(columns, built);
    built = 0;
  };
  try {
    if (walker.hasFields()) {
      for (const FixedOutItem& item : items) {
        bool wrapped = false;
        const FieldDescriptor& descriptor = walker.next(wrapped);
        if (wrapped) {
          handOver();
          endRecord(entry);  // items left over: they go on a new line
        }
        if (const std::size_t written =
                writeFieldFast(descriptor, item, columns + built, kLocalColumns - built)) {
          built += written;
        } else {
          handOver();
          if (const int status = writeField(descriptor, item, entry.record); status != 0) {
            failStatement(entry, status);
          }
        }
        if (entry.recordLength > 0 &&
            entry.record.size() + built > static_cast<std::size_t>(entry.recordLength)) {
          handOver();
          failStatement(entry, kRecordOverflow);
        }
      }
    }
    handOver();
  } catch (const std::bad_alloc&) {
    issueReport(severeCode(41));
  }
  if (advance == Advance::Yes) {
    endRecord(entry);
  } else {
    entry.pending = true;
  }
}

}  // namespace textio
