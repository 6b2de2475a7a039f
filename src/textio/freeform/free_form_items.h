// The items of free-form statements: what a write statement writes and where a read
// statement stores. Below the scanner and the record builder, which need no unit.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

namespace textio::freeform {

// Items of a write statement: a text (written as it stands) or a 32-bit integer (12 columns).
using ListOutItem = std::variant<std::string_view, std::int32_t>;
// Items of a read statement: a blank-padded text variable of the span's length, an
// integer or a float.
using ListInItem = std::variant<std::span<char>, std::int32_t*, float*>;

}  // namespace textio::freeform
