// The number fields and names the result files' writers share.
#include "results/result_files.h"

#include <algorithm>

namespace results {

std::string_view nameView(const std::array<char, 5>& name) { return {name.data(), name.size()}; }
std::string_view nameView(const char (&name)[5]) { return {name, 5}; }

// Columns the decimal text of a number takes, sign included.
int decimalWidth(std::int64_t value) {
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  // Every list.ndx number takes this, an atom at a time: compares, not a division a digit.
  // 10^19 is the last power of ten below 2^64.
  int digits = 1;
  for (std::uint64_t power = 10; digits < 20 && magnitude >= power; power *= 10) ++digits;
  return digits + (value < 0 ? 1 : 0);
}

void writeInteger(int unit, std::int32_t value, int width, textio::layouts::Advance advance) {
  const textio::layouts::FieldDescriptor field = textio::layouts::fieldI(width);
  textio::layouts::writeFixed(unit, textio::layouts::FixedLayout(&field, 1), {value}, advance);
}

int indexFieldWidth(std::int32_t atomNumber, NumberLayout layout) {
  return layout == NumberLayout::Wide ? std::max(6, decimalWidth(atomNumber) + 1)
                                      : textio::layouts::kI6[0].width;
}

// The field of an atom number in list.ndx.
textio::layouts::FieldDescriptor indexField(std::int32_t atomNumber, NumberLayout layout) {
  return layout == NumberLayout::Wide ? textio::layouts::fieldI(indexFieldWidth(atomNumber, layout))
                                      : textio::layouts::kI6[0];
}

}  // namespace results
