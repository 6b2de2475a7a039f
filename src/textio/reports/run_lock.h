// The process-wide run-time lock: keeps the console-event thread and the statements of the
// main thread apart. The lowest piece of the layer's state; units, reports and the run's end
// all hold it.
#pragma once

namespace textio::reports::detail {

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

}  // namespace textio::reports::detail
