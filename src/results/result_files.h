// What the writers of result.gro, list.ndx and residue.txt share: their units, the layout
// of the numbers, and the I fields those numbers are written through.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "textio/layouts/fixed_layout.h"
#include "textio/layouts/fixed_statements.h"

namespace results {

inline constexpr int kResultUnit = 15;
inline constexpr int kIndexUnit = 16;
inline constexpr int kResidueUnit = 17;
inline constexpr int kIndexNumbersPerLine = 10;

// How numbers are laid out: as the five-column files have always had them, or widened so
// that the true numbers of a system of more than 99999 atoms never touch or turn to
// asterisks.
enum class NumberLayout { FiveColumn, Wide };

// A five-character name of an atom line (residue or atom name) as a text.
std::string_view nameView(const std::array<char, 5>& name);
std::string_view nameView(const char (&name)[5]);

// Columns the decimal text of a number takes, sign included.
int decimalWidth(std::int64_t value);

// One I field of `width` columns on `unit`.
void writeInteger(int unit, std::int32_t value, int width, textio::layouts::Advance advance);

// The field of an atom number in list.ndx, and its width.
textio::layouts::FieldDescriptor indexField(std::int32_t atomNumber, NumberLayout layout);
int indexFieldWidth(std::int32_t atomNumber, NumberLayout layout);

// Widest field of an atom number in list.ndx: a sign, ten digits and a blank.
constexpr int kWidestIndexField = 12;

// The I fields of widths 1 to kWidestIndexField, each prepared once: the numbers of list.ndx
// and residue.txt.
class NumberFormats {
 public:
  NumberFormats() {
    for (int width = 1; width <= kWidestIndexField; ++width) {
      fields_[static_cast<std::size_t>(width)] = textio::layouts::fieldI(width);
      formats_.emplace_back(layoutOf(width), kPlace);
    }
  }
  NumberFormats(const NumberFormats&) = delete;
  NumberFormats& operator=(const NumberFormats&) = delete;

  static constexpr textio::layouts::FieldPlace kPlace[] = {{0, 0}};
  // The I field of this width, 1 <= width <= kWidestIndexField.
  textio::layouts::FixedLayout layoutOf(int width) const {
    return {&fields_[static_cast<std::size_t>(width)], 1};
  }
  const textio::layouts::LineFormat& of(int width) const {
    return formats_[static_cast<std::size_t>(width - 1)];
  }

 private:
  std::array<textio::layouts::FieldDescriptor, kWidestIndexField + 1> fields_{};
  std::vector<textio::layouts::LineFormat> formats_;
};

}  // namespace results
