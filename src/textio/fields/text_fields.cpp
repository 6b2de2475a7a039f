// A fields: text written right-justified or cut to the field, and read into a fixed target
// with the missing columns of a short line counting as blanks.
#include <algorithm>
#include <cstddef>

#include "textio/fields/fixed_fields.h"

namespace textio::fields {

void formatText(std::string_view text, int width, std::string& out) {
  if (width <= 0) return;
  const auto columns = static_cast<std::size_t>(width);
  if (columns > text.size()) {
    out.append(columns - text.size(), ' ');
    out.append(text);
  } else {
    out.append(text.substr(0, columns));
  }
}

void takeTextField(std::string_view field, int width, std::span<char> target) {
  const std::size_t columns = width > 0 ? static_cast<std::size_t>(width) : 0;
  field = field.substr(0, std::min(field.size(), columns));
  const auto columnAt = [&](std::size_t column) {
    return column < field.size() ? field[column] : ' ';
  };
  if (columns >= target.size()) {
    const std::size_t first = columns - target.size();
    for (std::size_t j = 0; j < target.size(); ++j) target[j] = columnAt(first + j);
  } else {
    for (std::size_t j = 0; j < target.size(); ++j) target[j] = j < columns ? columnAt(j) : ' ';
  }
}

}  // namespace textio::fields