// How a run ends when a report or a console event ends it, and the process exit that follows
// a report. Low in the layer so that reports can end the run without knowing the run's start.
#pragma once

#include <string>
#include <string_view>

#include "textio/reports/report_code.h"

namespace textio::reports {

// How a run ends when a report or a console event ends it. The dialogue keeps the defaults;
// the command line asks for the statuses shells give a signal, no traceback table, and the
// removal of its temporary files.
struct EndPolicy {
  bool traceback = true;        // severe reports carry the traceback table
  bool signalStatuses = false;  // console events end with 128 + the signal's number
  // SIGTERM is a console event too ("terminate"), ending the run as Ctrl+C does; otherwise
  // it keeps its default action.
  bool terminateEvent = false;
  // Called under the run-time lock before any report line is written (to erase a progress
  // line), on whichever thread reports.
  void (*beforeReport)() = nullptr;
  // Called after the units are closed, just before a report, a console event or the end of
  // the run ends the process.
  void (*atEnd)() = nullptr;
  // A caller's own form of a report (a whole line with its line end, no traceback): given the
  // report's message (its catalogue text before ", unit"), the unit, the file as reports name
  // it (empty when the report names none) and the system's error (0: none). An empty answer
  // keeps the usual form. Console events keep theirs.
  std::string (*reportLine)(ReportCode code, std::string_view message, int unit,
                            std::string_view file, int systemError) = nullptr;
};

// Once, before initRunTime (and so before the console-event thread exists).
void setEndPolicy(const EndPolicy& policy);

namespace detail {

// The policy setEndPolicy stored (the defaults when it was never called).
const EndPolicy& endPolicy();

// Ends the process after a report: the exit status is the code's low 8 bits (the report
// number for numbers below 256).
[[noreturn]] void endWithCode(ReportCode code);

}  // namespace detail

}  // namespace textio::reports
