// Shared by the fuzzing harnesses: running the tool's code many times in one process. A severe
// report, a stop or the end of a run ends the process through platform::exitProcess; here an
// exit hook turns that into a RunEnded exception that unwinds back to the harness, which then
// resets the run-time state (unit table, once-only closing, the run's block) for the next input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace fuzzing {

// Thrown by the exit hook in place of ending the process.
struct RunEnded {
  int status;
};

// Once per process, before the first input: the exit hook, floating-point exceptions masked
// as the tool masks them, reports without traceback and without display (the text is still
// built), and a fresh scratch directory as the working directory (removed at exit).
void prepareHarness();

// Exit status of an ended run, or kReturned when `body` came back without ending the run.
inline constexpr int kReturned = -1;
// Runs `body`; whatever way it ends, the run-time state is reset afterwards.
int runGuarded(const std::function<void()>& body);

// Writes `size` bytes into `name` in the working directory, replacing it.
void writeScratchFile(const char* name, const std::uint8_t* data, std::size_t size);

// True for the exit statuses a run of this tool may end with: 0 and the numbers of the reports
// it can reach. Anything else is a fault (a report that should not be reachable).
bool expectedStatus(int status);

// Stops the harness with a message when a property does not hold (libFuzzer counts the abort
// as a crash and keeps the input).
void require(bool holds, std::string_view what);

}  // namespace fuzzing
