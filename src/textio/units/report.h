// Issuing run-time reports: info and error reports return, severe ones close every unit and
// end the process with the report number as exit status.
#pragma once

#include <string_view>

#include "textio/reports/report_text.h"

namespace textio::units {

struct UnitEntry;

// Reports of input/output statements: the template filled with the unit number and the
// file name; `systemError` (0 for none) puts the platform's text for it on a line before.
// Info and error severities return; severe ones close every unit and end the process with
// the report number as exit status (the low 8 bits of the code).
void issueReport(reports::ReportCode code, int unit, std::string_view file, int systemError = 0);
// Reports without arguments (41, 151) and with one text argument (200).
void issueReport(reports::ReportCode code);
void issueReport(reports::ReportCode code, std::string_view text);

// Severe report `number` for this unit (unit number and file name). Does not return.
[[noreturn]] void failStatement(UnitEntry& unit, int number);

}  // namespace textio::units
