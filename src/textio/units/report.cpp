// Issuing a report: written by report_text, then, for a severe one, every unit closed and the
// process ended; and the severe report of a statement's unit.
#include "textio/units/report.h"

#include <cstdlib>
#include <string>

#include "textio/reports/end_policy.h"
#include "textio/reports/run_lock.h"
#include "textio/units/unit_table.h"

namespace textio::units {

void issueReport(reports::ReportCode code, int unit, std::string_view file, int systemError) {
  reports::detail::RunTimeHold hold;
  reports::detail::emitReport(code, reports::ReportArguments::UnitAndFile, unit, file, systemError);
  if (reports::reportSeverity(code) != 3) return;
  closeAllUnits();
  reports::detail::endWithCode(code);
}

void issueReport(reports::ReportCode code) {
  reports::detail::RunTimeHold hold;
  reports::detail::emitReport(code, reports::ReportArguments::None, 0, {}, 0);
  if (reports::reportSeverity(code) != 3) return;
  closeAllUnits();
  reports::detail::endWithCode(code);
}

void issueReport(reports::ReportCode code, std::string_view text) {
  reports::detail::RunTimeHold hold;
  reports::detail::emitReport(code, reports::ReportArguments::Text, 0, text, 0);
  if (reports::reportSeverity(code) != 3) return;
  closeAllUnits();
  reports::detail::endWithCode(code);
}

void failStatement(UnitEntry& unit, int number) {
  const int error = unit.lastError;
  unit.lastError = 0;
  const std::string name = reportedName(unit);
  issueReport(reports::severeCode(static_cast<unsigned>(number)), unit.number, name, error);
  // Only severe codes reach here, and a severe report does not return.
  std::abort();
}

}  // namespace textio::units
