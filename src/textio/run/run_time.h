// Start and end of a run: start-up settings, the console-event hook, stopping, the normal
// end, and the block allocations of the run. The top of the layer: it stands on the units,
// the reports and the end policy (end_policy.h, which also holds setEndPolicy).
#pragma once

#include <cstddef>
#include <cstdint>

#include "textio/reports/end_policy.h"

namespace textio::run {

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

// Gives back a block that allocateBlock gave for `bytes` bytes, for a caller that replaces it
// (the table of one frame after another). nullptr is ignored.
void releaseBlock(void* block, std::uint64_t bytes);

}  // namespace textio::run
