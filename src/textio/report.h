// Run-time reports: the numbered catalogue, the one-line report on the report stream with
// its optional system line and traceback, and the exit status that ends a severe report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textio {

// Top two bits: severity (3 severe, 2 error, 1 info, 0 none); low 16 bits: the number.
using ReportCode = std::uint32_t;

constexpr ReportCode severeCode(unsigned number) { return 0xC0000000u | number; }
constexpr ReportCode errorCode(unsigned number) { return 0x80000000u | number; }
constexpr ReportCode infoCode(unsigned number) { return 0x40000000u | number; }
constexpr unsigned reportNumber(ReportCode code) { return code & 0xFFFFu; }
constexpr unsigned reportSeverity(ReportCode code) { return code >> 30; }

// The catalogue's template for a code, or "Message not found\n" when absent.
std::string_view reportTemplate(ReportCode code);

// Reports of input/output statements: the template filled with the unit number and the
// file name; `systemError` (0 for none) puts the platform's text for it on a line before.
// Info and error severities return; severe ones close every unit and end the process with
// the report number as exit status (the low 8 bits of the code).
void issueReport(ReportCode code, int unit, std::string_view file, int systemError = 0);
// Reports without arguments (41, 151) and with one text argument (200).
void issueReport(ReportCode code);
void issueReport(ReportCode code, std::string_view text);

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

}  // namespace textio
