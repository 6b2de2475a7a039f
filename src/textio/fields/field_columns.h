// Small pieces the I, F and A conversions share: filling columns with blanks or asterisks and
// the digit test. Kept apart so that each field's file holds only its own rules.
#pragma once

#include <cstddef>
#include <string>

namespace textio::fields::detail {

inline void appendAsterisks(int width, std::string& out) {
  if (width > 0) out.append(static_cast<std::size_t>(width), '*');
}

inline void appendBlanks(long long count, std::string& out) {
  if (count > 0) out.append(static_cast<std::size_t>(count), ' ');
}

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace textio::fields::detail
