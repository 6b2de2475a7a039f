// Free-form (list-directed) statements: console messages and answers, the free-form count
// line of result.gro, the list.ndx heading and line ends, and skipping the title line.
#pragma once

#include <initializer_list>

#include "textio/freeform/free_form_items.h"

namespace textio::freeform {

// One write statement: one record (more only when the texts exceed 80 columns). An empty
// list writes one blank, or just ends a record left pending by non-advancing output.
void writeList(int unit, std::initializer_list<ListOutItem> items);

// One read statement: begins with a fresh record and reads as many records as the items
// need; an empty list consumes exactly one record. Failures are severe reports.
void readList(int unit, std::initializer_list<ListInItem> items);

}  // namespace textio::freeform
