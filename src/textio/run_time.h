// Start and end of a run: start-up settings, the console-event hook, stopping, the normal
// end, and the one block allocation of the run.
#pragma once

#include <cstddef>
#include <cstdint>

namespace textio {

// How a run ends when a report or a console event ends it. The dialogue keeps the defaults;
// the command line asks for the statuses shells give a signal, no traceback table, and the
// removal of its temporary files.
struct EndPolicy {
  bool traceback = true;        // severe reports carry the traceback table
  bool signalStatuses = false;  // console events end with 128 + the signal's number
  // Called under the run-time lock before any report line is written (to erase a progress
  // line), on whichever thread reports.
  void (*beforeReport)() = nullptr;
  // Called after the units are closed, just before a report, a console event or the end of
  // the run ends the process.
  void (*atEnd)() = nullptr;
};

// Once, before initRunTime (and so before the console-event thread exists).
void setEndPolicy(const EndPolicy& policy);

// Once before the driver: console-event hook, floating-point exceptions masked, SIGPIPE
// ignored so that a vanished reader is a write error, FOR_NOERROR_DIALOGS honoured.
void initRunTime();

// Normal end: every unit closed (pending records completed), exit status 0.
[[noreturn]] void endRun();

// Stop without code or text: nothing printed, every unit closed, exit status 0.
[[noreturn]] void stopRun();

// Console event 0 Ctrl+C, 1 Ctrl+Break, 2 console closed: report 200 with the event word,
// every unit not in use closed, exit status = event (128 + the signal's number when the
// end policy asks for it). Other events: returns false.
bool onConsoleEvent(int event);

// A block of `bytes` bytes for the run's lifetime (never freed). A size of 0 gives nullptr.
// alreadyAllocated gives report 151; a failure report 41. Returns only on success.
void* allocateBlock(std::uint64_t bytes, bool alreadyAllocated = false);

}  // namespace textio
