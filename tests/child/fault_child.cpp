// The whole tool with one fault injected through the platform's test seams, for fault tests
// that need an event at an exact point of the run: "remove-after-lookup" removes every file
// the existence test looks up right after it has been found, so the open that follows meets
// a file that is gone. Otherwise the run is the tool's own: console, files, reports, status.
#include <unistd.h>

#include <cstring>
#include <string>
#include <string_view>

#include "platform/test_seams.h"
#include "selection/driver.h"
#include "textio/run_time.h"

namespace {

void removeLookedUpName(std::string_view name) { ::unlink(std::string(name).c_str()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "remove-after-lookup") != 0) return 2;
  platform::test_seams::setNameLookupHook(&removeLookedUpName);
  textio::initRunTime();
  selection::run();
  textio::endRun();
}
