// Report codes: severity in the top two bits, the report number in the low sixteen. Below
// both the report texts and the end policy, which ends a run with a code's low byte.
#pragma once

#include <cstdint>

namespace textio::reports {

// Top two bits: severity (3 severe, 2 error, 1 info, 0 none); low 16 bits: the number.
using ReportCode = std::uint32_t;

constexpr ReportCode severeCode(unsigned number) { return 0xC0000000u | number; }
constexpr ReportCode errorCode(unsigned number) { return 0x80000000u | number; }
constexpr ReportCode infoCode(unsigned number) { return 0x40000000u | number; }
constexpr unsigned reportNumber(ReportCode code) { return code & 0xFFFFu; }
constexpr unsigned reportSeverity(ReportCode code) { return code >> 30; }

}  // namespace textio::reports
