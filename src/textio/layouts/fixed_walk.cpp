// One input field taken from a line and converted into its item: the fast path when the line
// holds the whole field, else its columns (a comma may end it early, a short line pads it)
// through the general conversions; and a whole line converted without a unit.
#include "textio/layouts/fixed_walk.h"

#include <string>
#include <variant>

namespace textio::layouts {

namespace detail {

namespace {

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

}  // namespace

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
      fields::IntegerField result;
      if (!fields::fast::parseInteger(field.text, result))
        result = fields::parseIntegerFieldGeneral(field.text);
      **target = result.value;
      return result.status;
    }
    case FieldKind::F: {
      auto* const target = std::get_if<float*>(&item);
      if (target == nullptr) return kFieldItemMismatch;
      std::string_view text = field.text;
      fields::RealField result;
      // Missing columns count as blanks after the digits: the fast path needs no padding.
      if (fields::fast::parseReal(text, descriptor.decimals, result)) {
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
      result = fields::parseRealFieldGeneral(text, descriptor.decimals);
      **target = result.value;
      return result.status;
    }
    case FieldKind::A: {
      auto* const target = std::get_if<std::span<char>>(&item);
      if (target == nullptr) return kFieldItemMismatch;
      fields::takeTextField(field.text, descriptor.width, *target);
      return 0;
    }
  }
  return kFieldItemMismatch;
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

}  // namespace detail

using detail::FieldWalker;
using detail::itemAt;
using detail::kFieldItemMismatch;
using detail::readField;

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

}  // namespace textio::layouts
