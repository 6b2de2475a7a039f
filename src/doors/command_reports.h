// The command line's report lines: one line naming the file or stream and the system's
// reason ("gro-region: cannot write '/data/out/list.ndx': No space left on device"), in the
// form of its other messages, where the dialogue keeps the run-time layer's report lines.
#pragma once

#include <string>
#include <string_view>

#include "textio/reports/report_code.h"

namespace doors {

// A textio::reports::EndPolicy::reportLine for command-line runs: `message` is the report's own
// text
// ("error during write"), the reason when the system gave none; `file` as reports name it
// (empty: the report names none, such as memory running out).
std::string commandReportLine(textio::reports::ReportCode code, std::string_view message, int unit,
                              std::string_view file, int systemError);

}  // namespace doors
