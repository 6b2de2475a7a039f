// The fixed-layout write statement: fields built on the stack by the fast formatters and
// handed to the record together, the general writer for the rest, the record length checked,
// and the record ended or left pending for non-advancing output.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <string>
#include <string_view>
#include <variant>

#include "textio/fields/fixed_fast.h"
#include "textio/fields/fixed_fast_output.h"
#include "textio/fields/fixed_fields.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/layouts/fixed_walk.h"
#include "textio/units/unit.h"

namespace textio::layouts {

using detail::FieldWalker;
using detail::kFieldItemMismatch;

namespace {

constexpr int kRecordOverflow = 66;

// Places one output field at the end of `record`; 0 or the failure's report number.
int writeField(const FieldDescriptor& descriptor, const FixedOutItem& item, std::string& record) {
  switch (descriptor.kind) {
    case FieldKind::I: {
      const auto* const value = std::get_if<std::int32_t>(&item);
      if (value == nullptr) return kFieldItemMismatch;
      fields::formatInteger(*value, descriptor.width, record, descriptor.minimumDigits);
      return 0;
    }
    case FieldKind::F: {
      const auto* const value = std::get_if<float>(&item);
      if (value == nullptr) return kFieldItemMismatch;
      fields::formatFixed(*value, descriptor.width, descriptor.decimals, record);
      return 0;
    }
    case FieldKind::A: {
      const auto* const value = std::get_if<std::string_view>(&item);
      if (value == nullptr) return kFieldItemMismatch;
      fields::formatText(*value, descriptor.width, record);
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
          !fields::fast::formatInteger(*value, descriptor.width, descriptor.minimumDigits, at)) {
        return 0;
      }
      return width;
    }
    case FieldKind::F: {
      const auto* const value = std::get_if<float>(&item);
      if (value == nullptr ||
          !fields::fast::formatFixed(*value, descriptor.width, descriptor.decimals, at)) {
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

// Builds one field in `columns` when the fast formatters take it; else hands the columns built
// so far to `record` and lets the general writer append the field there. 0 or the failure's
// report number.
int buildField(const FieldDescriptor& descriptor, const FixedOutItem& item, char* columns,
               std::size_t& built, std::string& record) {
  if (const std::size_t written =
          writeFieldFast(descriptor, item, columns + built, kLocalColumns - built)) {
    built += written;
    return 0;
  }
  record.append(columns, built);
  built = 0;
  return writeField(descriptor, item, record);
}

// The output item of a field of a record of the caller's, at its place.
FixedOutItem itemOf(const FieldDescriptor& descriptor, const FieldPlace& place,
                    const char* record) {
  const char* const at = record + place.offset;
  switch (descriptor.kind) {
    case FieldKind::I: {
      std::int32_t value;
      std::memcpy(&value, at, sizeof value);
      return value;
    }
    case FieldKind::F: {
      float value;
      std::memcpy(&value, at, sizeof value);
      return value;
    }
    case FieldKind::A:
      break;
  }
  return std::string_view(at, place.length);
}

}  // namespace

int formatFixedLine(FixedLayout layout, std::span<const FieldPlace> places, const void* record,
                    std::string& line) {
  FieldWalker walker(layout);
  if (!walker.hasFields()) return 0;
  char columns[kLocalColumns];
  std::size_t built = 0;
  try {
    for (const FieldPlace& place : places) {
      bool wrapped = false;
      const FieldDescriptor& descriptor = walker.next(wrapped);
      if (wrapped) return kFieldItemMismatch;  // the fields need a second line
      const FixedOutItem item = itemOf(descriptor, place, static_cast<const char*>(record));
      if (const int status = buildField(descriptor, item, columns, built, line); status != 0) {
        return status;
      }
    }
    line.append(columns, built);
  } catch (const std::bad_alloc&) {
    return 41;
  }
  return 0;
}

LineFormat::LineFormat(FixedLayout layout, std::span<const FieldPlace> places) {
  FieldWalker walker(layout);
  if (!walker.hasFields() || places.size() > kMostSteps) return;
  std::size_t width = 0;
  for (const FieldPlace& place : places) {
    bool wrapped = false;
    const FieldDescriptor& descriptor = walker.next(wrapped);
    // A second line, or a field only the general formatters take whatever its value.
    if (wrapped || descriptor.width < 1 || descriptor.width > fields::fast::kFastWidth ||
        (descriptor.kind == FieldKind::F &&
         (descriptor.decimals < 0 || descriptor.decimals > fields::fast::kFastDecimals)) ||
        (descriptor.kind == FieldKind::I && descriptor.minimumDigits > 1)) {
      return;
    }
    steps_[stepCount_++] = {descriptor.kind, descriptor.width, descriptor.decimals, place};
    width += static_cast<std::size_t>(descriptor.width);
  }
  width_ = width;
  atomLine_ = takesAtomLine();
}

namespace {

struct StepShape {
  FieldKind kind;
  int width;
  int decimals;  // F only
};
// I5, 2A5, I5, 3F8.3 and 3F8.4.
constexpr StepShape kAtomLineShape[] = {
    {FieldKind::I, 5, 0}, {FieldKind::A, 5, 0}, {FieldKind::A, 5, 0}, {FieldKind::I, 5, 0},
    {FieldKind::F, 8, 3}, {FieldKind::F, 8, 3}, {FieldKind::F, 8, 3}, {FieldKind::F, 8, 4},
    {FieldKind::F, 8, 4}, {FieldKind::F, 8, 4}};

[[gnu::always_inline]] inline bool writeInteger5(const char* at, char* out) {
  std::int32_t value;
  std::memcpy(&value, at, sizeof value);
  return fields::fast::formatInteger5(value, out);
}

template <int Decimals>
[[gnu::always_inline]] inline bool writeReal8(const char* at, char* out) {
  float value;
  std::memcpy(&value, at, sizeof value);
  return fields::fast::formatReal8<Decimals>(value, out);
}

}  // namespace

bool LineFormat::takesAtomLine() const {
  if (stepCount_ != std::size(kAtomLineShape)) return false;
  for (std::size_t i = 0; i < stepCount_; ++i) {
    const StepShape& shape = kAtomLineShape[i];
    const Step& step = steps_[i];
    if (step.kind != shape.kind || step.width != shape.width ||
        (step.kind == FieldKind::F && step.decimals != shape.decimals) ||
        (step.kind == FieldKind::A && step.place.length != 5)) {
      return false;
    }
  }
  return true;
}

bool LineFormat::writeAtomLine(const char* fields, char* out) const {
  const Step* const s = steps_;
  if (!writeInteger5(fields + s[0].place.offset, out)) return false;
  std::memcpy(out + 5, fields + s[1].place.offset, 5);
  std::memcpy(out + 10, fields + s[2].place.offset, 5);
  if (!writeInteger5(fields + s[3].place.offset, out + 15)) return false;
#if defined(__SSE2__)
  float reals[6];
  for (int i = 0; i < 6; ++i) std::memcpy(&reals[i], fields + s[4 + i].place.offset, sizeof(float));
  if (fields::fast::formatSixReals8(reals, out + 20)) return true;
#endif
  bool fits = true;
  for (int i = 0; i < 3; ++i)
    fits &= writeReal8<3>(fields + s[4 + i].place.offset, out + 20 + 8 * i);
  for (int i = 0; i < 3; ++i)
    fits &= writeReal8<4>(fields + s[7 + i].place.offset, out + 44 + 8 * i);
  return fits;
}

bool LineFormat::write(const void* record, char* out) const {
  const char* const fields = static_cast<const char*>(record);
  if (atomLine_) return writeAtomLine(fields, out);
  for (std::size_t i = 0; i < stepCount_; ++i) {
    const Step& step = steps_[i];
    const char* const at = fields + step.place.offset;
    switch (step.kind) {
      case FieldKind::I: {
        std::int32_t value;
        std::memcpy(&value, at, sizeof value);
        if (!fields::fast::formatInteger(value, step.width, 1, out)) return false;
        break;
      }
      case FieldKind::F: {
        float value;
        std::memcpy(&value, at, sizeof value);
        if (!fields::fast::formatFixed(value, step.width, step.decimals, out)) return false;
        break;
      }
      case FieldKind::A: {
        // Blanks and then the text when it is shorter than the field, else its first columns.
        const auto width = static_cast<std::size_t>(step.width);
        const std::size_t length = step.place.length;
        const std::size_t blanks = width > length ? width - length : 0;
        std::memset(out, ' ', blanks);
        std::memcpy(out + blanks, at, width - blanks);
        break;
      }
    }
    out += step.width;
  }
  return width_ != 0;
}

void writeFixed(int unit, FixedLayout layout, std::initializer_list<FixedOutItem> items,
                Advance advance) {
  units::Statement statement(unit, units::StatementKind::Write);
  units::UnitEntry& entry = statement.unit();
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
          units::endRecord(entry);  // items left over: they go on a new line
        }
        if (const int status = buildField(descriptor, item, columns, built, entry.record);
            status != 0) {
          units::failStatement(entry, status);
        }
        if (entry.recordLength > 0 &&
            entry.record.size() + built > static_cast<std::size_t>(entry.recordLength)) {
          handOver();
          units::failStatement(entry, kRecordOverflow);
        }
      }
    }
    handOver();
  } catch (const std::bad_alloc&) {
    units::issueReport(reports::severeCode(41));
  }
  if (advance == Advance::Yes) {
    units::endRecord(entry);
  } else {
    entry.pending = true;
  }
}

}  // namespace textio::layouts