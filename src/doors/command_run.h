// The command line's run: the same loader, passes and writers as the dialogue, with the
// result files written under temporary names and renamed into place only when all are
// complete, counts on standard output, and one line on standard error when it fails.
#pragma once

#include <span>
#include <string_view>

namespace doors {

// Parses the arguments after the program name and carries them out: help, version, a
// usage error (status 2) or a run. Returns the exit status when the run ends before the
// I/O layer has started (help, version, usage error, FILE unreadable, output directory
// unusable); a run that starts ends the process itself (0 on success, a report's status,
// 129/130/131/143 for a hang-up, Ctrl+C, Ctrl+\, SIGTERM).
int runCommandLine(std::span<const std::string_view> arguments);

// The whole tool: the dialogue without arguments (which ends the process itself), else
// runCommandLine. Memory that runs out where no statement catches it is report 41 all the
// same, never an abort.
int runTool(std::span<const std::string_view> arguments);

}  // namespace doors
