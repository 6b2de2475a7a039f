// One report line per failure on the command line: what could not be done, with which file,
// and why, with the report's number as the exit status as before.
#include "doors/command_reports.h"

#include "doors/command_line.h"
#include "frames/atom_table.h"
#include "platform/platform.h"

namespace doors {
namespace {

constexpr unsigned kWriteError = 38;
constexpr unsigned kCloseError = 28;
constexpr unsigned kOutOfMemory = 41;

// What the statement behind a report was doing: the reports of opening name it; others are
// reads on the coordinate file and writes on the result files.
std::string_view attempt(unsigned number, int unit) {
  switch (number) {
    case kWriteError:
      return "cannot write";
    case kCloseError:
      return "cannot close";
    case 9:   // permission denied
    case 10:  // cannot overwrite an existing file
    case 29:  // file not found
    case 30:  // open failure
    case 43:  // file name specification error
      return "cannot open";
    default:
      return unit == frames::kCoordinateUnit ? "cannot read" : "cannot write";
  }
}

}  // namespace

std::string commandReportLine(textio::reports::ReportCode code, std::string_view message, int unit,
                              std::string_view file, int systemError) {
  std::string reason(message);
  if (systemError != 0) {
    reason = platform::errorText(systemError).value_or("error " + std::to_string(systemError));
  }
  const std::string program = std::string(series::kProgramName) + ": ";
  const unsigned number = textio::reports::reportNumber(code);
  if (file.empty()) {
    if (number == kOutOfMemory) return program + "memory ran out (" + reason + ")\n";
    return program + reason + "\n";
  }
  // Streams are named as such; files between quotes, as the other messages show them.
  const std::string named =
      file == "standard input" ? std::string(file) : textio::freeform::quoted(file);
  return program + std::string(attempt(number, unit)) + " " + named + ": " + reason + "\n";
}

}  // namespace doors
