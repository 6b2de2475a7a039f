// Run-time reports as text: the numbered codes, the catalogue, the one-line report with its
// optional system line and traceback, and writing it to the report stream. Ending the run
// after a severe report is report.h's, one level up, where the units can be closed.
#pragma once

#include <string>
#include <string_view>

#include "textio/reports/report_code.h"

namespace textio::reports {

// The catalogue's template for a code, or "Message not found\n" when absent.
std::string_view reportTemplate(ReportCode code);

// True when the environment variable exists and begins with t, T, y or Y, or holds
// decimal digits only and is not 0.
bool environmentSwitch(const char* name);

// The text of a report without traceback: the system line ("forrtl: " and the platform's
// text for `systemError`, only when it is not 0) and the report line (label, number in
// parentheses, the filled template). Arguments: unit number and file name when `unit` is
// given, else the single text `file` (report 200), else none.
enum class ReportArguments { None, Text, UnitAndFile };
std::string reportText(ReportCode code, ReportArguments arguments, int unit, std::string_view file,
                       int systemError = 0);

// The traceback of the caller: the heading line and at most 20 frame lines, innermost first.
std::string tracebackText();

namespace detail {

// Writes a report (system line, report line, traceback for severe ones) to the report stream
// and the diagnostic log, and returns whatever its severity.
void emitReport(ReportCode code, ReportArguments arguments, int unit, std::string_view file,
                int systemError);

}  // namespace detail

}  // namespace textio::reports
