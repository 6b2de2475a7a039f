// Fixed-length text operations: left adjustment and comparison up to trailing blanks.
#include "textio/fields/text_ops.h"

#include <algorithm>
#include <cstddef>

namespace textio::fields {

void adjustLeft(std::span<char> text) {
  // Rotating the leading blanks to the end is exactly the move plus the blank fill.
  const auto firstNonBlank =
      std::find_if(text.begin(), text.end(), [](char c) { return c != ' '; });
  std::rotate(text.begin(), firstNonBlank, text.end());
}

bool equalsPadded(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  if (a.substr(0, common) != b.substr(0, common)) return false;
  const std::string_view rest = a.size() > common ? a.substr(common) : b.substr(common);
  return rest.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace textio::fields
