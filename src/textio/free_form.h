// Free-form (list-directed) statements: console messages and answers, the free-form count
// line of result.gro, the list.ndx heading and line ends, and skipping the title line.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <variant>

namespace textio {

// Items of a write statement: a text (written as it stands) or a 32-bit integer (12 columns).
using ListOutItem = std::variant<std::string_view, std::int32_t>;
// Items of a read statement: a blank-padded text variable of the span's length, an
// integer or a float.
using ListInItem = std::variant<std::span<char>, std::int32_t*, float*>;

// One write statement: one record (more only when the texts exceed 80 columns). An empty
// list writes one blank, or just ends a record left pending by non-advancing output.
void writeList(int unit, std::initializer_list<ListOutItem> items);

// One read statement: begins with a fresh record and reads as many records as the items
// need; an empty list consumes exactly one record. Failures are severe reports.
void readList(int unit, std::initializer_list<ListInItem> items);

}  // namespace textio
