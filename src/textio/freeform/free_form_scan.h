// The value scanner of free-form read statements, kept apart from units so that it runs on
// in-memory records: separators, null values, slash, repeat counts, texts and numbers.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "textio/freeform/free_form_items.h"

namespace textio::freeform {

// Per-statement buffer for text values; a character value holds at most one byte less.
inline constexpr std::size_t kListValueBufferBytes = 2050;
inline constexpr std::size_t kMaxListTextLength = kListValueBufferBytes - 1;

// Report numbers a read statement can end with.
inline constexpr int kListSyntaxError = 59;
inline constexpr int kListConversionError = 64;
inline constexpr int kListEndOfFile = 24;
inline constexpr int kListReadError = 39;
inline constexpr int kListNoMemory = 41;

// Where a read statement takes its records from.
class RecordSource {
 public:
  virtual ~RecordSource() = default;
  // Sets `line` to the next record without its line end; it stays valid until the next
  // call. Returns 0, or the report number that ends the statement (24: no record left,
  // 39: the read failed).
  virtual int next(std::string_view& line) = 0;
};

// One read statement: takes one fresh record, then as many more as the items need, and
// assigns values to the items in order. A null value or a slash leaves items unchanged.
// Returns 0 when the statement is complete, else the report number (59 syntax, 64
// conversion, 41 no memory for the value buffer, or the source's own). Items served before
// a failure keep their new values; nothing of the statement outlasts it.
int scanList(RecordSource& source, std::span<const ListInItem> items);

}  // namespace textio::freeform
