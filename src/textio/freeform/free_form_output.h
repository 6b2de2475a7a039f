// Record building of free-form write statements, kept apart from units so that it runs on
// plain strings: the leading blank of a record, 12-column integers and the record width.
#pragma once

#include <span>
#include <string>

#include "textio/freeform/free_form_items.h"

namespace textio::freeform {

inline constexpr int kListIntegerWidth = 12;
// A record too narrow for the blank column or an integer field it is asked to hold.
inline constexpr int kListRecordOverflow = 66;

// Where a write statement hands its completed records.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // Hands `record` (without a line end) to the output; the caller clears it afterwards.
  virtual void endRecord(std::string& record) = 0;
};

// One write statement. `record` holds the columns of a record left pending by
// non-advancing output (or nothing); the items are placed after them in records of at most
// `width` columns, and every record, the last one included, goes to `sink`. A text longer
// than a whole record is split over several records, each starting with a blank; no byte is
// lost. Returns 0, or 66 when the width cannot hold a blank column (below 2) or an integer
// field (below 12).
int placeList(std::string& record, int width, std::span<const ListOutItem> items, RecordSink& sink);

}  // namespace textio::freeform
