// Text rules of single fixed-width fields: I (integer), A (text) and F (fixed-point real),
// in both directions. Pure conversions: no units, no printing; the record layer decides
// what a failing status means.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace textio::fields {

// Status of an input field that cannot be converted (the "input conversion error" report).
inline constexpr int kInputConversionError = 64;

// Whether an output field holds the value or, because it would need more columns than the
// field has, asterisks. Asterisks are not an error: the statement goes on.
// One byte, so that an optional fit comes back in a register.
enum class FieldFit : std::uint8_t { Fits, Asterisks };

// Appends exactly `width` (>= 1) columns to `out`: the decimal digits of `value`, at least
// `minimumDigits` of them (zero-filled on the left), "-" before them when negative,
// right-justified; asterisks when that needs more than `width` columns.
FieldFit formatInteger(std::int32_t value, int width, std::string& out, int minimumDigits = 1);

// The same rule by the general method, without the fast path for fields of at most 32
// columns; formatInteger gives exactly its result.
FieldFit formatIntegerGeneral(std::int32_t value, int width, std::string& out,
                              int minimumDigits = 1);

// Appends exactly `width` (>= 1) columns to `out`: `value` rounded from its exact binary
// value to `decimals` (>= 0) digits after the point, ties to the even digit; no sign when
// it rounds to zero; a 0 before the point only when there is room for it; asterisks when
// it does not fit. NaN and infinities are words starting in the second column.
FieldFit formatFixed(float value, int width, int decimals, std::string& out);

// The same rule by the general method for every width and decimal count, without the fast
// path for few decimals; formatFixed gives exactly its result.
FieldFit formatFixedGeneral(float value, int width, int decimals, std::string& out);

// Appends exactly `width` (>= 1) columns to `out`: blanks and then the text when the text is
// shorter than the field, otherwise the text's first `width` characters.
void formatText(std::string_view text, int width, std::string& out);

struct IntegerField {
  std::int32_t value = 0;
  int status = 0;  // 0, or kInputConversionError (the value is then 0)
};

struct RealField {
  float value = 0.0f;
  int status = 0;  // 0, or kInputConversionError (the value is then what was read before
                   // the character that failed)
};

// Converts an I field: blanks ignored, an optional sign first, then decimal digits; an
// all-blank field or a lone sign is 0. Anything else, or a value outside the 32-bit
// range, fails.
IntegerField parseIntegerField(std::string_view field);

// The same rule by the general method, without the fast path for the plain shape (blanks,
// sign, digits); parseIntegerField gives exactly its result. The fall-back of the fast path.
IntegerField parseIntegerFieldGeneral(std::string_view field);

// Converts an F field of `decimals` (>= 0) digits after an implied point: the digits
// without a "." are scaled by 10^-decimals; E/D/Q or sign-form exponents; Inf, Infinity
// and NaN words; decimal digits rounded to double and then to float.
RealField parseRealField(std::string_view field, int decimals);

// The same rule by the general method, without the fast path for the plain shape (blanks,
// sign, digits, one point); parseRealField gives exactly its result. The fall-back of the
// fast path.
RealField parseRealFieldGeneral(std::string_view field, int decimals);

// Stores an A field into `target`. `field` holds the columns the line had; the field is
// `width` columns, the missing ones count as blanks. A field at least as wide as the target
// gives its last target.size() characters; a narrower one is followed by blanks.
void takeTextField(std::string_view field, int width, std::span<char> target);

}  // namespace textio::fields
