// Texts as a user types them and as messages show them: the decimal number at the start of
// a text, a number converted as a free-form read converts it, and a text between quotes.
// Shared by the command line, the frame titles, the box line and the result files' messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace textio::freeform {

// The length of the decimal number (optional sign, digits with an optional point, optional
// exponent) at the start of `text`; 0 when there is none. An exponent without digits is not
// part of it.
std::size_t decimalNumberLength(std::string_view text);

// True when the whole of `text` is such a decimal number.
bool isDecimalNumber(std::string_view text);

// Converts a value as the dialogue converts a number typed for a real item. Returns false
// for text that is not a decimal number (optional sign, digits with an optional point,
// optional exponent) or a value beyond the float range.
bool convertNumber(std::string_view text, float& value);

// The text between single quotes, as messages show what was given.
std::string quoted(std::string_view text);

}  // namespace textio::freeform
