// The number fields and names the result files' writers share.
#include "results/result_files.h"

#include <algorithm>

namespace results {

std::string_view nameView(const std::array<char, 5>& name) { return {name.data(), name.size()}; }
std::string_view nameView(const char (&name)[5]) { return {name, 5}; }

// Columns the decimal text of a number takes, sign included.
int decimalWidth(std::int64_t value) {
  int width = value < 0 ? 2 : 1;
  for (std::uint64_t rest = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                      : static_cast<std::uint64_t>(value);
       rest >= 10; rest /= 10) {
    ++width;
  }
  return width;
}

void writeInteger(int unit, std::int32_t value, int width, textio::layouts::Advance advance) {
  const textio::layouts::FieldDescriptor field = textio::layouts::fieldI(width);
  textio::layouts::writeFixed(unit, textio::layouts::FixedLayout(&field, 1), {value}, advance);
}

// The field of an atom number in list.ndx.
textio::layouts::FieldDescriptor indexField(std::int32_t atomNumber, NumberLayout layout) {
  return layout == NumberLayout::Wide
             ? textio::layouts::fieldI(std::max(6, decimalWidth(atomNumber) + 1))
             : textio::layouts::kI6[0];
}

}  // namespace results
