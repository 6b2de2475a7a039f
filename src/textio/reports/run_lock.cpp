// The run-time lock: one recursive mutex for the process and a count of the calling thread's
// holds, so that a blocking read can let every hold go and take them back.
#include "textio/reports/run_lock.h"

#include <mutex>

namespace textio::reports::detail {

namespace {

// Never destroyed: it may still be held by a thread while the process ends.
std::recursive_mutex& runTimeMutex() {
  static std::recursive_mutex* mutex = new std::recursive_mutex;
  return *mutex;
}

thread_local int holdsOfThisThread = 0;

}  // namespace

void RunTimeLock::lock() {
  runTimeMutex().lock();
  ++holdsOfThisThread;
}

void RunTimeLock::unlock() {
  --holdsOfThisThread;
  runTimeMutex().unlock();
}

int RunTimeLock::releaseAll() {
  const int holds = holdsOfThisThread;
  for (int i = 0; i < holds; ++i) unlock();
  return holds;
}

void RunTimeLock::reacquire(int holds) {
  for (int i = 0; i < holds; ++i) lock();
}

RunTimeLock& runTimeLock() {
  static RunTimeLock lock;
  return lock;
}

}  // namespace textio::reports::detail
