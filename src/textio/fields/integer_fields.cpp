// I fields: integers written right-justified with a minimum of digits, and read with blanks
// ignored and a 32-bit range check. A fast path first, the general rule as its fall-back.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "textio/fields/field_columns.h"
#include "textio/fields/fixed_fast.h"
#include "textio/fields/fixed_fast_output.h"
#include "textio/fields/fixed_fields.h"

namespace textio::fields {

using detail::appendAsterisks;
using detail::isDigit;

FieldFit formatInteger(std::int32_t value, int width, std::string& out, int minimumDigits) {
  char columns[fast::kFastWidth];
  if (const std::optional<FieldFit> fit =
          fast::formatInteger(value, width, minimumDigits, columns)) {
    out.append(columns, static_cast<std::size_t>(width));
    return *fit;
  }
  return formatIntegerGeneral(value, width, out, minimumDigits);
}

FieldFit formatIntegerGeneral(std::int32_t value, int width, std::string& out, int minimumDigits) {
  std::array<char, 10> digits;
  int count = 0;
  std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  do {
    digits[static_cast<std::size_t>(count++)] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const long long digitColumns = std::max<long long>(count, minimumDigits);
  const long long needed = digitColumns + (value < 0 ? 1 : 0);
  if (needed > width) {
    appendAsterisks(width, out);
    return FieldFit::Asterisks;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(width), ' ');
  char* column = out.data() + start + (width - needed);
  if (value < 0) *column++ = '-';
  for (long long i = count; i < digitColumns; ++i) *column++ = '0';
  for (int i = count - 1; i >= 0; --i) *column++ = digits[static_cast<std::size_t>(i)];
  return FieldFit::Fits;
}

IntegerField parseIntegerField(std::string_view field) {
  IntegerField result;
  if (fast::parseInteger(field, result)) return result;
  return parseIntegerFieldGeneral(field);
}

IntegerField parseIntegerFieldGeneral(std::string_view field) {
  constexpr IntegerField kFailed{0, kInputConversionError};
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  // 2^31 is the largest magnitude of a 32-bit value (negative only).
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (c == ' ') continue;
    if (!isDigit(c)) return kFailed;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kLimit) return kFailed;
  }
  if (!negative && magnitude == kLimit) return kFailed;
  return {static_cast<std::int32_t>(negative ? -magnitude : magnitude), 0};
}

}  // namespace textio::fields
