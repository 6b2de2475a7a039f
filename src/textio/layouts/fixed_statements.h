// The fixed-layout read and write statements on units: a line (or more) read or written
// through a layout, and many read statements in one for a file of many lines.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>

#include "textio/layouts/fixed_layout.h"

namespace textio::layouts {

enum class Advance { Yes, No };
enum class ReturnOnEnd { No, Yes };
enum class ReturnOnError { No, Yes };

// Reads one line (more when the items outnumber the fields) through `layout`. Returns 0,
// or -1 at end of file with ReturnOnEnd::Yes, or the report number of a failure with
// ReturnOnError::Yes; without the matching request a failure is a severe report.
int readFixed(int unit, FixedLayout layout, std::initializer_list<FixedInItem> items,
              ReturnOnEnd onEnd = ReturnOnEnd::No, ReturnOnError onError = ReturnOnError::No);

struct FixedRecordsRead {
  std::size_t records = 0;     // records filled
  std::size_t statements = 0;  // read statements made
  bool ended = false;          // a statement met the end of the file
};

// Makes up to `statements` read statements on `unit`, each exactly as readFixed through
// `layout` with both return requests, whose items are the places within the next record
// of `records` (consecutive records `stride` bytes apart). A statement that fails leaves its
// record to the next one; the end of the file ends the reading, and so does a record count
// of `capacity`. One lookup of the unit serves all of them, so a file of many lines is read
// without the cost of a statement per line.
FixedRecordsRead readFixedRecords(int unit, FixedLayout layout, std::span<const FieldPlace> places,
                                  void* records, std::size_t stride, std::size_t capacity,
                                  std::size_t statements);

// Builds one line from the items and writes it (Advance::Yes) or leaves it pending
// (Advance::No) for the next statement on the unit to continue.
void writeFixed(int unit, FixedLayout layout, std::initializer_list<FixedOutItem> items,
                Advance advance = Advance::Yes);

}  // namespace textio::layouts
