// Shared inside the run-time layer only: the process-wide run-time lock that keeps the
// console-event thread and the statements of the main thread apart, and report emission
// without ending the run (used while units are being closed).
#pragma once

#include <string_view>

#include "textio/report.h"
#include "textio/run_time.h"

namespace textio::detail {

// Recursive lock held by every statement, by the end-of-run closing, by report output and by
// the console-event path. A thread can drop all of its holds around a blocking read and take
// them back afterwards, so a waiting console read never keeps the event path out.
class RunTimeLock {
 public:
  void lock();
  void unlock();
  // Releases every hold of the calling thread; answers how many there were (0 if none).
  int releaseAll();
  // Takes `holds` holds again after releaseAll.
  void reacquire(int holds);
};

RunTimeLock& runTimeLock();

// RAII hold of the run-time lock.
class RunTimeHold {
 public:
  RunTimeHold() { runTimeLock().lock(); }
  ~RunTimeHold() { runTimeLock().unlock(); }
  RunTimeHold(const RunTimeHold&) = delete;
  RunTimeHold& operator=(const RunTimeHold&) = delete;
};

// Writes a report (system line, report line, traceback for severe ones) to the report stream
// and the diagnostic log, and returns whatever its severity.
void emitReport(ReportCode code, ReportArguments arguments, int unit, std::string_view file,
                int systemError);

// The policy setEndPolicy stored (the defaults when it was never called).
const EndPolicy& endPolicy();

// Ends the process after a report: the exit status is the code's low 8 bits (the report
// number for numbers below 256).
[[noreturn]] void endWithCode(ReportCode code);

// Severe code of the first failure met by the end-of-run closing, 0 when it met none.
ReportCode closingFailure();

}  // namespace textio::detail
