// The tool's whole control flow: the console dialogue from the banner to the final wait.
#pragma once

namespace doors {

// Runs the dialogue once. Returns when the user has pressed Enter at the final prompt;
// every failure other than a missing coordinate file ends the run inside the I/O layer.
void run();

}  // namespace doors
