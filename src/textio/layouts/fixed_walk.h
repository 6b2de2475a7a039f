// Walking a fixed layout over one line: the expanded field sequence, the columns of one input
// field, and the conversion of one field into its item, with the fast whole-field path that
// the read statements inline into their loop over a file's lines. Needs no unit.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "textio/fields/fixed_fast.h"
#include "textio/fields/fixed_fields.h"
#include "textio/layouts/fixed_layout.h"

namespace textio::layouts::detail {

// A programming error of the caller: the item does not suit the field's kind.
constexpr int kFieldItemMismatch = 61;

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

// The fast conversion of a field whose `descriptor.width` (>= 1) columns the line holds at
// `text`, into the item at `at` (an A item of `length` characters). Answers false, with the
// item untouched, when the fast path declines the field. Always inlined: it is the body of
// the loop over a file's lines.
[[gnu::always_inline]] inline bool convertWholeField(const FieldDescriptor& descriptor,
                                                     std::size_t length, const char* text,
                                                     char* at) {
  const auto width = static_cast<std::size_t>(descriptor.width);
  switch (descriptor.kind) {
    case FieldKind::I: {
      fields::IntegerField result;
      if (!fields::fast::parseInteger(std::string_view(text, width), result)) return false;
      std::memcpy(at, &result.value, sizeof result.value);
      return true;
    }
    case FieldKind::F: {
      fields::RealField result;
      if (!fields::fast::parseReal(std::string_view(text, width), descriptor.decimals, result)) {
        return false;
      }
      std::memcpy(at, &result.value, sizeof result.value);
      return true;
    }
    case FieldKind::A:
      if (length == 5 && width == 5) {
        std::memcpy(at, text, 5);  // the names of atom lines: no library call
      } else {
        fields::takeTextField(std::string_view(text, width), descriptor.width,
                              std::span<char>(at, length));
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

// Converts one input field into its item; 0 or the failure's report number.
int readField(const FieldDescriptor& descriptor, std::string_view line, std::size_t& column,
              const FixedInItem& item);

// The item of a field of a record of the caller's, at its place.
FixedInItem itemAt(const FieldDescriptor& descriptor, const FieldPlace& place, char* record);

}  // namespace textio::layouts::detail
